#pragma once
// Asynchronous key state, as the original read F1 and F2 while playing.

namespace platform
{

// True when the key (platform::Key code) is down now, or was pressed since the
// last query of that key. Querying clears the "pressed since" mark.
bool QueryAsyncKey(int key);

// Test hook: marks the key as pressed since the last query.
void MarkKeyPressed(int key);

} // namespace platform
