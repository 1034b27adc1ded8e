// CPU the client spends while it waits for an outcome that never comes.
#pragma once

#include <string>

// A payment (print mode 0, outcome wait 10 s) against a terminal that only
// acknowledges, with the log file active; prints the process CPU time over
// the wall time as RESULT idle_cpu_percent, next to what a bare poll loop
// with the same period costs on this machine.
void runIdleCost(const std::u16string& AlogFile);
