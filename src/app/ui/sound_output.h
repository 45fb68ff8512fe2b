// SPDX-License-Identifier: GPL-3.0-or-later
// The run's sound to the default audio device: 48 kHz 16-bit mono pushed after every pass, with at
// most about 100 ms queued. Without a device (a server, CI) it stays quiet and says so once.
#pragma once

#include <QObject>
#include <cstdint>
#include <span>

class QAudioSink;
class QIODevice;

namespace tirvane {

class SoundOutput : public QObject {
 public:
  explicit SoundOutput(QObject* parent = nullptr);
  ~SoundOutput() override;

  // False when no audio device takes the format; everything else is then a no-op.
  bool Available() const { return sink_ != nullptr; }
  // The "Sound" tick.
  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  // Queues one pass's samples when they are to be heard; otherwise lets the device fall silent.
  void Play(std::span<const int16_t> samples, bool audible);

 private:
  void Silence();

  QAudioSink* sink_ = nullptr;
  QIODevice* io_ = nullptr;  // while playing
  bool enabled_ = true;
};

}  // namespace tirvane
