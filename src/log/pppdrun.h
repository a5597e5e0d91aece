#pragma once

#include "log/pppddelivery.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dialtally {

// The pppd source read without a kept place: whole files once (a new user's months of history,
// rotated and compressed logs among them), or a stream such as the journal on standard input.
// Both run as the one logger of their Windows folder (the logger lock) and deliver through the
// ledger, so reading the same lines again delivers nothing twice.

struct PppdRunOptions {
    AdapterWording wording;
    // The local time now: for lines without a time stamp, and the reference for the year of a
    // traditional syslog stamp on standard input (a file's reference is its modification time).
    std::function<DateTime()> clock = LocalNow;
    LocalTimeOf localTime = SystemLocalTime;
    std::function<void(const std::string&)> report;
};

struct PppdRunResult {
    std::int64_t lines = 0;
    std::int64_t pppdLines = 0;
    int delivered = 0;
    int already = 0; // complete connections that the ledger held
    int dropped = 0; // connections whose start could not be known
};

// The sources ("-" is standard input) are read in the order given as one stream, so that a
// connection that a rotation split between two files is whole; each file plain or
// gzip-compressed. At the end every connection whose down time is known is complete; the complete
// ones are delivered in order of their up time. False with *problem when another logger runs on
// the folder, a source cannot be read (nothing is delivered then) or the data file cannot be
// written.
bool ReadPppdSourcesOnce(const HandoverFiles& files, const std::vector<std::string>& sources,
                         const PppdRunOptions& options, PppdRunResult* result,
                         std::string* problem);

// Follows a stream (standard input) until it ends or stopRequested() says so, delivering each
// connection once it is complete; with once, the end of the stream completes every connection
// whose down time is known, as at the end of a file. Connections that cannot be delivered wait
// and are tried again. False with *problem when another logger runs on the folder, the stream
// cannot be read, or connections could not be delivered before the end.
bool FollowPppdStream(int fd, const HandoverFiles& files, bool once,
                      const std::function<bool()>& stopRequested, const PppdRunOptions& options,
                      PppdRunResult* result, std::string* problem);

// What pppd tells its ip-down script: its process id, how long the link was up, and the bytes.
struct PppHookValues {
    std::int64_t pid = 0;
    std::int64_t connectSeconds = 0;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};

// The connection that just went down, from now - connectSeconds to now, delivered through the
// ledger like any other: when a logger following pppd's log delivers it as well, it reaches the
// data file once. *delivered tells whether it was new. False with *problem.
bool DeliverPppHook(const HandoverFiles& files, const PppHookValues& values, DateTime now,
                    const PppdRunOptions& options, bool* delivered, std::string* problem);

} // namespace dialtally
