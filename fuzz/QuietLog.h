// A logging tool that drops every record, so that a fuzz run writes no file
// and spends its time in the code under test.
#pragma once

// Makes the quiet tool the process-wide logger for the rest of the process.
void installQuietLog();
