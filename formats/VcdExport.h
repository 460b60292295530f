// Value Change Dump export of a log: every sample line's 32-bit word as one vector and its
// bits 0 to 7 as one-bit wires, for waveform viewers that read the IEEE 1364 text format.
#pragma once

#include <string>
#include <string_view>

class TSampleModel;

// "1 ns", "10us", "100 ps" ...: 1, 10 or 100 and one of s, ms, us, ns, ps, fs. Gives the
// text as the dump writes it ("10 us"), or an empty text when it is no time scale.
std::string NormaliseTimescale(std::string_view text);

// The whole dump of every sample of Model, bad lines left out. Samples are placed by a
// stable sort on their times (the order the charts give them); at a time shared by several
// samples the last of them holds. The dump starts at the first sample's time with its values
// (an empty log: at 0 with every signal 0), and a change is written only where a value changes.
// Negative times are shifted so that the first one is 0, and a $comment says by how much. Timescale
// must be a normalised one.
std::string WriteVcd(const TSampleModel& model, const std::string& timescale);
