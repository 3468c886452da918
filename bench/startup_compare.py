#!/usr/bin/env python3
"""Start-up figures: purlanectl and the agent against CopyQ's client and server, same method for
both (a fresh process per run, a private session bus and a temporary home). CopyQ needs a
display: run under xvfb-run. CopyQ is not a dependency; without it only our figures are shown.

  xvfb-run -a bench/startup_compare.py [cmd] [launch]     (RUNS=20, BUILD=build by default)

Prints the median and the spread (min, quartiles, max) in milliseconds."""
import os, shutil, signal, statistics, subprocess, sys, tempfile, time

B = os.environ.get('BUILD', os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'build'))
CTL = f'{B}/bin/purlanectl'
AGENT = f'{B}/Applications/purlaneAgent.app/Contents/MacOS/purlaneAgent'
ENGINE = f'{B}/Applications/SampleEngine.app/Contents/MacOS/SampleEngine'
RUNS = int(os.environ.get('RUNS', '20'))

home = tempfile.mkdtemp(prefix='sb-')
env = dict(os.environ, HOME=home, XDG_DATA_HOME=f'{home}/.local/share',
           XDG_CONFIG_HOME=f'{home}/.config', XDG_CACHE_HOME=f'{home}/.cache',
           XDG_RUNTIME_DIR=f'{home}/run', PURLANE_APPLICATIONS_PATH=f'{B}/Applications')
os.makedirs(f'{home}/run', mode=0o700)
bus = subprocess.run(['dbus-daemon', '--session', '--fork', '--print-address=1', '--print-pid=1'],
                     capture_output=True, text=True, env=env).stdout.split('\n')
env['DBUS_SESSION_BUS_ADDRESS'] = bus[0]
buspid = int(bus[1])

OURS = [CTL, 'script', 'token to name', '#UPPER']
THEIRS = ['copyq', 'eval', '1']

def ok(cmd):
    return subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0

def stats(name, xs):
    xs = sorted(x * 1000 for x in xs)
    q = statistics.quantiles(xs, n=4)
    print(f'{name:48s} median {statistics.median(xs):7.1f} ms  min {xs[0]:6.1f}  p25 {q[0]:6.1f}  p75 {q[2]:6.1f}  max {xs[-1]:6.1f}  (n={len(xs)})', flush=True)

# The server started, then the client asked again and again until it answers.
def launch_to_answer(server_cmd, probe, stop):
    t0 = time.perf_counter()
    p = subprocess.Popen(server_cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while not ok(probe):
        if time.perf_counter() - t0 > 30: raise SystemExit(f'{server_cmd} never answered')
    t = time.perf_counter() - t0
    stop(p)
    return t

def stop_agent(p=None):
    # The agent answering may not be the process started (purlanectl starts one when none runs).
    for line in subprocess.run([CTL, 'apps'], env=env, capture_output=True, text=True).stdout.splitlines():
        fields = line.split('\t')
        if len(fields) > 1 and fields[1] == 'com.halvik.purlane.agent':
            pid = int(fields[0])
            os.kill(pid, signal.SIGTERM)
            while os.path.exists(f'/proc/{pid}') and open(f'/proc/{pid}/stat').read().split()[2] != 'Z':
                time.sleep(0.01)
    if p: p.wait(10)

def agent_cold_start():
    # A script command with no agent running: purlanectl starts the agent, waits until it is
    # listed, and sends the command; the time is until the answer is printed.
    t = timed(OURS)()
    stop_agent()
    return t

def stop_copyq(p):
    subprocess.run(['copyq', 'exit'], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try: p.wait(10)
    except subprocess.TimeoutExpired: p.kill(); p.wait()

def repeat(fn, runs=RUNS, warm=3):
    for _ in range(warm): fn()
    return [fn() for _ in range(runs)]

def timed(cmd):
    def f():
        t0 = time.perf_counter(); r = subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL); t = time.perf_counter() - t0
        assert r.returncode == 0, cmd
        return t
    return f

try:
    subprocess.run([ENGINE, '--register'], env=env, check=True, stdout=subprocess.DEVNULL)
    which = sys.argv[1:] or ['cmd', 'launch']
    if 'cmd' in which:
        a = subprocess.Popen([AGENT], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while not ok(OURS): time.sleep(0.05)
        stats("purlanectl --help", repeat(timed([CTL, '--help'])))
        stats("purlanectl script 'token to name' '#UPPER'", repeat(timed(OURS)))
        stop_agent(a)
        if not shutil.which('copyq'): raise SystemExit(0)
        c = subprocess.Popen(['copyq'], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while not ok(THEIRS): time.sleep(0.05)
        stats("copyq eval 1", repeat(timed(THEIRS)))
        stop_copyq(c)
    if 'launch' in which:
        stats('purlanectl script, agent not running (cold start)', repeat(agent_cold_start))
        if not shutil.which('copyq'): raise SystemExit(0)
        stats('copyq server launch -> first copyq eval 1', repeat(lambda: launch_to_answer(['copyq'], THEIRS, stop_copyq)))
finally:
    os.kill(buspid, signal.SIGTERM)
    subprocess.run(['rm', '-rf', home])
