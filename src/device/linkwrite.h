#pragma once

#include "protocol/assignmentwrite.h"
#include "protocol/packets.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class KnobLink;

using ReportWriter = std::function<int(const std::vector<Packet> &)>;

// Every write of an operation goes to the link it started on: once the link
// is replaced, nothing more of it reaches the new one.
ReportWriter writerFor(const std::shared_ptr<KnobLink> &link, unsigned long long generation);

// Writes a whole assignment plan: paced report by report on USB, as one batch
// where the link takes a whole save at once. Blocks; for a worker.
AssignmentWriteResult writeDocument(const ReportWriter &write, bool wholeSaveAtOnce,
                                    const KnobDocument &document,
                                    const std::function<void(int, int)> &progress,
                                    const std::shared_ptr<std::atomic<bool>> &stop);
