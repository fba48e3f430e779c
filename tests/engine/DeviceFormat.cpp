// The audio device of this test binary runs another format than the one the
// analysis reads: 44100 Hz with six channels (a 5.1 device). Wherever a
// caller lets SDL change the format, it gets the device's own, as a real
// device of that kind would give it; where it allows no change, SDL converts.
// Every music test of the binary so plays through such a device.
#include <SDL.h>
#include <dlfcn.h>

extern "C" SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture, const SDL_AudioSpec* desired,
                                                 SDL_AudioSpec* obtained, int allowed_changes) {
    using OpenFunction = SDL_AudioDeviceID (*)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int);
    static OpenFunction real = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, "SDL_OpenAudioDevice"));
    if (real == nullptr || desired == nullptr) return 0;
    SDL_AudioSpec device_format = *desired;
    if (allowed_changes & SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) device_format.freq = 44100;
    if (allowed_changes & SDL_AUDIO_ALLOW_CHANNELS_CHANGE) device_format.channels = 6;
    return real(device, iscapture, &device_format, obtained, 0);
}
