#pragma once
// The program's capture mode (--capture OUT): renders the demo offline and
// headless at a fixed frame rate into a folder of PNG frames and audio.wav, or
// into a video file through ffmpeg. Returns the exit status: 0 done (also
// when stopped by Escape or Ctrl+C), 1 a failure (as in live play, a missing
// ffmpeg, an output that could not be written), 2 bad usage.
struct CommandLine;

int RunCapture(const CommandLine& cmd);
