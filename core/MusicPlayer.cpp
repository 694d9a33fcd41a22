#include "core/MusicPlayer.h"

#include "platform/Paths.h"

// Placeholder until the sound layer lands: no stream ever opens.
bool MusicPlayer::Init() { return true; }
bool MusicPlayer::Open(std::string) { return false; }
void MusicPlayer::Close() {}
void MusicPlayer::Play() {}
void MusicPlayer::SetTime(int32_t) {}
void MusicPlayer::SkipBack(int32_t) {}
void MusicPlayer::SkipForward(int32_t) {}
void MusicPlayer::Pause() {}
void MusicPlayer::Stop() {}
void MusicPlayer::UpdateSpectrum() {}
float* MusicPlayer::GetSpectrum() { return nullptr; }
bool MusicPlayer::ProbeFile(const std::string& name)
{
    return platform::FileExists(platform::DataPath(name));
}
