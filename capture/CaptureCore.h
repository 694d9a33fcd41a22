#pragma once
// The demo core of an offline capture: the same core, timeline and main loop,
// with the music decoded offline instead of played on a device.
#include "capture/OfflineMusicPlayer.h"
#include "core/DemoCore.h"

class CaptureCore : public DemoCore
{
  public:
    // The player Init created (null before Init).
    OfflineMusicPlayer* GetOfflinePlayer() const
    {
        return static_cast<OfflineMusicPlayer*>(GetMusicPlayer());
    }

  protected:
    MusicPlayer* CreateMusicPlayer() override { return new OfflineMusicPlayer; }
};
