#!/usr/bin/env python3
"""Idle memory (Pss, from /proc/PID/smaps_rollup) of the agent with its tray icon, and again
after its popover was shown once, against CopyQ's processes with their tray icon and after its
main window was shown once. Both run on a private desktop (Xvfb, openbox, trayer), a private
session bus and a temporary home. CopyQ is not a dependency; without it only our figures show.

  bench/memory_compare.py            (BUILD=build by default)
"""
import os, shutil, signal, subprocess, sys, tempfile, time

B = os.environ.get('BUILD', os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'build'))
CTL = f'{B}/bin/purlanectl'
AGENT = f'{B}/Applications/purlaneAgent.app/Contents/MacOS/purlaneAgent'
ENGINE = f'{B}/Applications/SampleEngine.app/Contents/MacOS/SampleEngine'
SETTLE = float(os.environ.get('SETTLE', '3'))

home = tempfile.mkdtemp(prefix='mem-')
env = dict(os.environ, HOME=home, XDG_DATA_HOME=f'{home}/.local/share',
           XDG_CONFIG_HOME=f'{home}/.config', XDG_CACHE_HOME=f'{home}/.cache',
           XDG_RUNTIME_DIR=f'{home}/run', PURLANE_APPLICATIONS_PATH=f'{B}/Applications',
           DISPLAY=':87')
env.pop('QT_QPA_PLATFORM', None)
os.makedirs(f'{home}/run', mode=0o700)
procs = []

def start(cmd):
    p = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(p)
    return p

def ok(cmd):
    return subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0

def wait(cond, what, timeout=30):
    t0 = time.time()
    while not cond():
        if time.time() - t0 > timeout: raise SystemExit(f'timed out: {what}')
        time.sleep(0.05)

def pss_kib(pid):
    for line in open(f'/proc/{pid}/smaps_rollup'):
        if line.startswith('Pss:'): return int(line.split()[1])
    return 0

def tree(pid):
    out = [pid]
    for line in subprocess.run(['ps', '-o', 'pid=', '--ppid', str(pid)], capture_output=True, text=True).stdout.split():
        out += tree(int(line))
    return out

def total(pids):
    return sum(pss_kib(p) for p in pids if os.path.exists(f'/proc/{p}'))

def xdo(*args):
    return subprocess.run(['xdotool', *args], env=env, capture_output=True, text=True).stdout

def visible(*search):
    return xdo('search', '--onlyvisible', *search).split()

def mib(kib): return f'{kib / 1024:6.1f} MiB'

try:
    start(['Xvfb', ':87', '-screen', '0', '1280x800x24'])
    wait(lambda: ok(['xdpyinfo']), 'Xvfb')
    start(['openbox'])
    bus = subprocess.run(['dbus-daemon', '--session', '--fork', '--print-address=1', '--print-pid=1'],
                         capture_output=True, text=True, env=env).stdout.split('\n')
    env['DBUS_SESSION_BUS_ADDRESS'] = bus[0]
    buspid = int(bus[1])
    start(['trayer', '--edge', 'top', '--align', 'right', '--widthtype', 'request', '--height', '24'])
    subprocess.run([ENGINE, '--register'], env=env, check=True, stdout=subprocess.DEVNULL)

    agent = start([AGENT])
    wait(lambda: ok([CTL, 'script', 'token to name', '#UPPER']), 'agent answering')
    wait(lambda: any(int(xdo('getwindowgeometry', '--shell', w).split('HEIGHT=')[1].split()[0]) <= 24
                     for w in visible('--class', 'purlaneAgent')), 'agent icon')
    time.sleep(SETTLE)
    idle = total([agent.pid])
    icon = [w for w in visible('--class', 'purlaneAgent')
            if int(xdo('getwindowgeometry', '--shell', w).split('HEIGHT=')[1].split()[0]) <= 24][0]
    xdo('mousemove', '--window', icon, '10', '10', 'click', '1')
    wait(lambda: visible('--name', '^Purlane$'), 'popover')
    xdo('key', 'Escape')
    wait(lambda: not visible('--name', '^Purlane$'), 'popover closed')
    time.sleep(SETTLE)
    shown = total([agent.pid])
    print(f'purlaneAgent                idle {mib(idle)}   after its popover {mib(shown)}')
    agent.terminate(); agent.wait(10)

    if shutil.which('copyq'):
        copyq = start(['copyq'])
        wait(lambda: ok(['copyq', 'eval', '1']), 'copyq answering')
        time.sleep(SETTLE)
        idle = total(tree(copyq.pid))
        ok(['copyq', 'show'])
        time.sleep(1)
        ok(['copyq', 'hide'])
        time.sleep(SETTLE)
        shown = total(tree(copyq.pid))
        print(f'copyq (all its processes)   idle {mib(idle)}   after its window  {mib(shown)}')
        ok(['copyq', 'exit'])
finally:
    for p in reversed(procs):
        try: p.terminate(); p.wait(5)
        except Exception: p.kill()
    try: os.kill(buspid, signal.SIGTERM)
    except Exception: pass
    subprocess.run(['rm', '-rf', home])
