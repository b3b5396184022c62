#include "sound/openal_output.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace torvan {

namespace {

// OpenAL Soft's fallback when no real backend works; it plays into nothing, so it does
// not count as a wave output device.
constexpr std::string_view kNullDeviceName = "No Output";

// A missing device is not worth a word: the game just runs silent. The library's own
// error lines stay off unless the user asked for them.
void quietLibrary() {
  setenv("ALSOFT_LOGLEVEL", "0", 0);
}

ALsizei byteCount(std::size_t samples) {
  return static_cast<ALsizei>(samples * sizeof(std::int16_t));
}

}  // namespace

struct OpenAlOutput::Impl {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
  bool directChannels = false;
  std::array<ALuint, 8> sources{};
  std::array<ALuint, 8> buffers{};  // the one-shot buffer of each slot, 0 when none
  std::array<ALuint, 4> streamBuffers{};
  int streamSlot = -1;
  int streamChannels = 0;
  ALsizei streamRate = 0;
  // Mono is widened to stereo so that it reaches both speakers at full level.
  std::vector<std::int16_t> widened;

  ~Impl() {
    if (context) {
      alcMakeContextCurrent(context);
      for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!sources[i]) continue;
        alSourceStop(sources[i]);
        alSourcei(sources[i], AL_BUFFER, 0);
      }
      if (sources[0]) alDeleteSources(static_cast<ALsizei>(sources.size()), sources.data());
      for (ALuint b : buffers)
        if (b) alDeleteBuffers(1, &b);
      if (streamSlot >= 0) alDeleteBuffers(4, streamBuffers.data());
      alcMakeContextCurrent(nullptr);
      alcDestroyContext(context);
    }
    if (device) alcCloseDevice(device);
  }

  void current() const { alcMakeContextCurrent(context); }

  bool setUp() {
    current();
    alGetError();
    alGenSources(static_cast<ALsizei>(sources.size()), sources.data());
    if (alGetError() != AL_NO_ERROR) {
      sources.fill(0);
      return false;
    }
    directChannels = alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE;
    for (ALuint s : sources) {
      // Nothing here is positional: every slot plays straight to the speakers.
      alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
      alSource3f(s, AL_POSITION, 0.f, 0.f, 0.f);
      alSourcef(s, AL_ROLLOFF_FACTOR, 0.f);
      if (directChannels) alSourcei(s, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    }
    return alGetError() == AL_NO_ERROR;
  }

  // Fills an OpenAL buffer; false when the device refused.
  bool fill(ALuint buffer, const WaveFormat& format, std::span<const std::int16_t> samples) {
    const std::int16_t* data = samples.data();
    std::size_t count = samples.size();
    if (format.channels == 1) {
      widened.resize(count * 2);
      for (std::size_t i = 0; i < count; ++i) widened[2 * i] = widened[2 * i + 1] = samples[i];
      data = widened.data();
      count *= 2;
    }
    alGetError();
    alBufferData(buffer, AL_FORMAT_STEREO16, data, byteCount(count),
                 static_cast<ALsizei>(format.samplesPerSecond));
    return alGetError() == AL_NO_ERROR;
  }

  void release(int slot) {
    const ALuint s = sources[static_cast<std::size_t>(slot)];
    alSourceStop(s);
    alSourcei(s, AL_BUFFER, 0);
    ALuint& b = buffers[static_cast<std::size_t>(slot)];
    if (b) {
      alDeleteBuffers(1, &b);
      b = 0;
    }
    if (streamSlot == slot) {
      alDeleteBuffers(4, streamBuffers.data());
      streamBuffers.fill(0);
      streamSlot = -1;
    }
    alGetError();
  }
};

OpenAlOutput::OpenAlOutput(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
OpenAlOutput::~OpenAlOutput() = default;

std::unique_ptr<OpenAlOutput> OpenAlOutput::openDefault() {
  auto impl = std::make_unique<Impl>();
  impl->device = alcOpenDevice(nullptr);
  if (!impl->device) return nullptr;
  impl->context = alcCreateContext(impl->device, nullptr);
  if (!impl->context || !impl->setUp()) return nullptr;
  return std::unique_ptr<OpenAlOutput>(new OpenAlOutput(std::move(impl)));
}

std::unique_ptr<OpenAlOutput> OpenAlOutput::openLoopback(int rate) {
  if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return nullptr;
  auto openLoop = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
      alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  auto impl = std::make_unique<Impl>();
  impl->renderSamples =
      reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
  if (!openLoop || !impl->renderSamples) return nullptr;
  impl->device = openLoop(nullptr);
  if (!impl->device) return nullptr;
  // Float output without limiter or HRTF: the rendered mix is the sources times their
  // gains, nothing else.
  const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT,
                          ALC_STEREO_SOFT,
                          ALC_FORMAT_TYPE_SOFT,
                          ALC_FLOAT_SOFT,
                          ALC_FREQUENCY,
                          rate,
                          ALC_HRTF_SOFT,
                          ALC_FALSE,
                          ALC_OUTPUT_LIMITER_SOFT,
                          ALC_FALSE,
                          0};
  impl->context = alcCreateContext(impl->device, attrs);
  if (!impl->context || !impl->setUp()) return nullptr;
  return std::unique_ptr<OpenAlOutput>(new OpenAlOutput(std::move(impl)));
}

void OpenAlOutput::render(std::span<float> out) {
  if (!impl_->renderSamples) return;
  impl_->current();
  impl_->renderSamples(impl_->device, out.data(), static_cast<ALCsizei>(out.size() / 2));
}

void OpenAlOutput::setMasterGain(float gain) {
  impl_->current();
  alListenerf(AL_GAIN, gain);
}

bool OpenAlOutput::playSlot(int slot, const WaveFormat& format,
                            std::span<const std::int16_t> samples, float gain, bool loop) {
  if (slot < 0 || slot >= 8) return false;
  impl_->current();
  impl_->release(slot);
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) return false;
  if (!impl_->fill(buffer, format, samples)) {
    alDeleteBuffers(1, &buffer);
    return false;
  }
  const ALuint s = impl_->sources[static_cast<std::size_t>(slot)];
  alSourcei(s, AL_BUFFER, static_cast<ALint>(buffer));
  alSourcei(s, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alSourcef(s, AL_GAIN, gain);
  alSourcePlay(s);
  if (alGetError() != AL_NO_ERROR) {
    alSourcei(s, AL_BUFFER, 0);
    alDeleteBuffers(1, &buffer);
    return false;
  }
  impl_->buffers[static_cast<std::size_t>(slot)] = buffer;
  return true;
}

void OpenAlOutput::releaseSlot(int slot) {
  if (slot < 0 || slot >= 8) return;
  impl_->current();
  impl_->release(slot);
}

void OpenAlOutput::setSlotGain(int slot, float gain) {
  if (slot < 0 || slot >= 8) return;
  impl_->current();
  alSourcef(impl_->sources[static_cast<std::size_t>(slot)], AL_GAIN, gain);
}

bool OpenAlOutput::slotHolds(int slot) const {
  if (slot < 0 || slot >= 8) return false;
  return impl_->buffers[static_cast<std::size_t>(slot)] != 0 || impl_->streamSlot == slot;
}

bool OpenAlOutput::slotPlaying(int slot) {
  if (!slotHolds(slot)) return false;
  impl_->current();
  ALint state = 0;
  alGetSourcei(impl_->sources[static_cast<std::size_t>(slot)], AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

bool OpenAlOutput::startStream(int slot, const WaveFormat& format,
                               std::span<const std::span<const std::int16_t>> quarters,
                               float gain) {
  if (slot < 0 || slot >= 8 || quarters.size() != 4) return false;
  impl_->current();
  impl_->release(slot);
  alGetError();
  alGenBuffers(4, impl_->streamBuffers.data());
  if (alGetError() != AL_NO_ERROR) {
    impl_->streamBuffers.fill(0);
    return false;
  }
  impl_->streamSlot = slot;
  for (std::size_t q = 0; q < 4; ++q) {
    if (!impl_->fill(impl_->streamBuffers[q], format, quarters[q])) {
      impl_->release(slot);
      return false;
    }
  }
  impl_->streamChannels = format.channels;
  impl_->streamRate = static_cast<ALsizei>(format.samplesPerSecond);
  const ALuint s = impl_->sources[static_cast<std::size_t>(slot)];
  alSourcei(s, AL_LOOPING, AL_FALSE);
  alSourceQueueBuffers(s, 4, impl_->streamBuffers.data());
  alSourcef(s, AL_GAIN, gain);
  alSourcePlay(s);
  if (alGetError() != AL_NO_ERROR) {
    impl_->release(slot);
    return false;
  }
  return true;
}

int OpenAlOutput::streamQuartersPlayed() {
  if (impl_->streamSlot < 0) return 0;
  impl_->current();
  ALint processed = 0;
  alGetSourcei(impl_->sources[static_cast<std::size_t>(impl_->streamSlot)], AL_BUFFERS_PROCESSED,
               &processed);
  return processed;
}

void OpenAlOutput::refillStreamQuarter(std::span<const std::int16_t> samples) {
  if (impl_->streamSlot < 0) return;
  impl_->current();
  const ALuint s = impl_->sources[static_cast<std::size_t>(impl_->streamSlot)];
  ALuint buffer = 0;
  alGetError();
  alSourceUnqueueBuffers(s, 1, &buffer);
  if (alGetError() != AL_NO_ERROR) return;
  WaveFormat format = WaveFormat::pcm16(impl_->streamChannels, impl_->streamRate);
  impl_->fill(buffer, format, samples);
  alSourceQueueBuffers(s, 1, &buffer);
  // A stall longer than the queue lets the source run dry and stop; it picks up again
  // with the fresh second.
  ALint state = 0;
  alGetSourcei(s, AL_SOURCE_STATE, &state);
  if (state != AL_PLAYING) alSourcePlay(s);
  alGetError();
}

bool OpenAlDevice::outputExists() {
  quietLibrary();
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) return false;
  const ALCchar* name = alcGetString(device, ALC_DEVICE_SPECIFIER);
  const bool real = !(name && std::string_view(name) == kNullDeviceName);
  alcCloseDevice(device);
  return real;
}

std::unique_ptr<SoundOutput> OpenAlDevice::open() {
  quietLibrary();
  return OpenAlOutput::openDefault();
}

}  // namespace torvan
