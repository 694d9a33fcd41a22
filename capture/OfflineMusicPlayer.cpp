#include "capture/OfflineMusicPlayer.h"

#include <cstring>

OfflineMusicPlayer::~OfflineMusicPlayer()
{
    MusicPlayer::SetSpectrumSource(nullptr);
}

bool OfflineMusicPlayer::Open(std::string name)
{
    m_Open = m_Spectrum.Open(name) && m_Audio.Open(name);
    return m_Open;
}

void OfflineMusicPlayer::Close()
{
    MusicPlayer::SetSpectrumSource(nullptr);
    m_Open = false;
}

void OfflineMusicPlayer::Play()
{
    if (m_Open)
        MusicPlayer::SetSpectrumSource(&m_Spectrum);
}

void OfflineMusicPlayer::SetTime(int32_t ms)
{
    if (m_Open)
        m_Audio.SetTime(ms);
}

int32_t OfflineMusicPlayer::GetTime()
{
    return m_Open ? m_Audio.GetTime() : 0;
}

void OfflineMusicPlayer::ReadAudio(float* stereo, size_t frames)
{
    if (m_Open)
        m_Audio.Read(stereo, frames);
    else
        std::memset(stereo, 0, frames * 2 * sizeof(float));
}
