#pragma once

class ShortcutRecorder;

// Which recorder is recording, so that starting one stops the other: only one may capture keys
// at a time.
class ShortcutRecorderRegistry {
  public:
    ShortcutRecorder* recording() const { return recording_; }

  private:
    friend class ShortcutRecorder;
    ShortcutRecorder* recording_ = nullptr;
};
