#pragma once

// The command-line probe's contract with its tests.
constexpr int PROBE_CALLS = 5;
constexpr char PROBE_SCRATCH_ROOM_VARIABLE[] = "PROBE_SCRATCH_ROOM";
