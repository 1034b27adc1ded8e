// Payments from many clients at once, each with its own instant terminal.
#pragma once

// 1 client, then 16 clients in 16 threads, each paying in a loop for 10 s;
// prints payments per second and p99 of both and RESULT
// parallel_16_vs_1_throughput.
void runParallelScale();
