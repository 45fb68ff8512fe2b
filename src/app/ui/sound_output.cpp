// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>

#include "devices/sound_mixer.h"

namespace tirvane {

namespace {

constexpr int BytesPerMs = SoundMixer::OutputRate * 2 / 1000;
// The device's buffer bounds the latency; a frame arriving while more than Queue is waiting is
// dropped, so a machine paced a little faster than the sound card never builds up delay.
constexpr int BufferMs = 100;
constexpr int QueueMs = 70;
// Silence queued when playing starts, so the first frames do not run the device dry.
constexpr int PrimeMs = 30;

}  // namespace

SoundOutput::SoundOutput(QObject* parent) : QObject(parent) {
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) return;
  QAudioFormat format;
  format.setSampleRate(SoundMixer::OutputRate);
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!device.isFormatSupported(format)) return;
  sink_ = new QAudioSink(device, format, this);
  sink_->setBufferSize(BufferMs * BytesPerMs);
}

SoundOutput::~SoundOutput() { Silence(); }

void SoundOutput::SetEnabled(bool on) {
  enabled_ = on;
  if (!on) Silence();
}

void SoundOutput::Silence() {
  if (io_ == nullptr) return;
  sink_->stop();
  io_ = nullptr;
}

void SoundOutput::Play(std::span<const int16_t> samples, bool audible) {
  if (sink_ == nullptr) return;
  if (!audible || !enabled_) {
    Silence();
    return;
  }
  if (io_ == nullptr) {
    io_ = sink_->start();
    if (io_ == nullptr) return;
    const QByteArray prime(PrimeMs * BytesPerMs, '\0');
    io_->write(prime);
  }
  const qint64 queued = sink_->bufferSize() - sink_->bytesFree();
  if (queued > QueueMs * BytesPerMs) return;
  const auto bytes = static_cast<qint64>(samples.size_bytes());
  io_->write(reinterpret_cast<const char*>(samples.data()), std::min(bytes, sink_->bytesFree()));
}

}  // namespace tirvane
