// Peak memory of a payment against a terminal that floods for the whole wait.
#pragma once

// Prints the peak resident memory of one payment against a healthy terminal
// and of one against a flooding terminal, each in a process of its own, and
// RESULT pay_flood_peak_rss_extra (MiB more than the healthy payment).
void runFloodMemory();
