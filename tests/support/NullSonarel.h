#pragma once

#include "control/Sonarel.h"

#include <cstdint>

// An audio control that has nothing: every operation fails or does nothing. Fakes derive from it
// and override only the operations their code under test calls.
class NullSonarel : public sonarel::ISonarel {
public:
    bool OpenStream(short, const char*, const char*, short) override { return false; }
    bool GetAudioDevice(short, char16_t*, short) override { return false; }
    bool Play(short) override { return false; }
    bool Pause(short) override { return false; }
    bool Stop(short) override { return false; }
    bool SetPlaySpeed(short, double) override { return false; }
    std::int32_t GetElapsed(short) override { return 0; }
    void CloseStream(short) override { }
    bool SetStreamPosition(short, short) override { return false; }
    bool SetBalance(short, short) override { return false; }
    bool SetVolume(short, short) override { return false; }
    bool GetStreamDuration(short, std::int32_t*) override { return false; }
    bool GetStreamPosition(short, short*) override { return false; }
    bool GetBalance(short, short*) override { return false; }
    bool GetVolume(short, short*) override { return false; }
    bool GetStreamState(short, short*) override { return false; }
    bool GetStreamInfo(short, short*, short*, std::int32_t*, short*, std::int32_t*) override { return false; }
    bool MediaDetect(
        const char*, std::int32_t*, short*, short*, std::int32_t*, short*, std::int32_t*) override
    {
        return false;
    }
    short GetAudioDeviceNums() override { return 0; }
    bool IsAudioDeviceExist(const char*) override { return false; }
    bool SetAudioAmplify(short, float) override { return false; }
    bool GetAudioAmplify(short, float*) override { return false; }
    bool SetAudioBand(short, std::int32_t, std::int32_t, short) override { return false; }
    bool GetAudioBand(short, std::int32_t, short*) override { return false; }
    bool GetPlaySpeed(short, double*) override { return false; }
    bool GetStreamAudioDev(short, char16_t*, short) override { return false; }
    bool GetStreamFile(short, char16_t*, short) override { return false; }
    void AboutBox() override { }
};
