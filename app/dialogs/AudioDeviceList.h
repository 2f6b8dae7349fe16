#pragma once

#include "control/Sonarel.h"

// The output devices as the audio control lists them: a count, then each name by index into a
// zero-filled UTF-16 buffer.
class IAudioDeviceList {
public:
    IAudioDeviceList() = default;
    IAudioDeviceList(const IAudioDeviceList&) = delete;
    IAudioDeviceList& operator=(const IAudioDeviceList&) = delete;
    virtual ~IAudioDeviceList() = default;

    [[nodiscard]] virtual short GetAudioDeviceNums() = 0;
    virtual bool GetAudioDevice(short index, char16_t* name, short nameLength) = 0;
};

// The hosted audio control's device list.
class CSonarelDeviceList final : public IAudioDeviceList {
public:
    // The control is not owned and must outlive this object.
    explicit CSonarelDeviceList(sonarel::ISonarel& control)
        : m_control(control)
    {
    }

    [[nodiscard]] short GetAudioDeviceNums() override { return m_control.GetAudioDeviceNums(); }
    bool GetAudioDevice(short index, char16_t* name, short nameLength) override
    {
        return m_control.GetAudioDevice(index, name, nameLength);
    }

private:
    sonarel::ISonarel& m_control;
};
