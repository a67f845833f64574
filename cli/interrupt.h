#pragma once

// Ctrl-C (SIGINT) and SIGTERM, caught: the handler only raises a flag, which
// the main thread looks at between ticks and while it waits for an answer.
// SIGPIPE is ignored, so that a closed output cannot kill a running copy
// before it has closed its target, and SIGXFSZ too, so that a target over the
// file size limit fails as a write with its position.
void CatchInterrupts();

// True once SIGINT or SIGTERM has arrived.
bool Interrupted();
