#pragma once

// The simulated board and line are hardware: their answers must not wait for a busy machine's
// scheduler, or a run beside others misses the handshake's 50 ms.

namespace korvalesen::sim {

// Gives the calling thread the highest priority where the system allows it (root, or a nice
// limit); elsewhere it runs as before.
void RunPromptly();

}  // namespace korvalesen::sim
