// One row of the performance table that bench/run prints: every benchmark reports its
// figures through this, so the table reads them without parsing prose.
#pragma once

#include <cstdio>

// Lower is better for every figure here (times, bytes). Peer <= 0: none measured, and
// the target bounds our own figure; otherwise it bounds ours / peer.
inline bool PrintTableRow(const char* what, double ours, double peer, double target,
                          const char* unit)
{
    char peerText[64] = "-";
    char ratioText[32] = "-";
    char targetText[64];
    bool met = false;
    if (peer > 0) {
        const double ratio = ours / peer;
        std::snprintf(peerText, sizeof peerText, "%.4g %s", peer, unit);
        std::snprintf(ratioText, sizeof ratioText, "%.3f", ratio);
        std::snprintf(targetText, sizeof targetText, "ratio <= %.3g", target);
        met = ratio <= target;
    } else {
        std::snprintf(targetText, sizeof targetText, "<= %.4g %s", target, unit);
        met = ours <= target;
    }
    std::printf("@row|%s|%.4g %s|%s|%s|%s|%s\n", what, ours, unit, peerText, ratioText, targetText,
                met ? "met" : "MISSED");
    std::fflush(stdout);
    return met;
}
