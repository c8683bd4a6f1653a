#include "device/linkwrite.h"

#include "device/KnobLink.h"
#include "device/packetutil.h"

#include <QThread>

ReportWriter writerFor(const std::shared_ptr<KnobLink> &link, unsigned long long generation)
{
    return [link, generation](const std::vector<Packet> &r) { return link->writeReportsOn(generation, r); };
}

AssignmentWriteResult writeDocument(const ReportWriter &write, bool wholeSaveAtOnce,
                                    const KnobDocument &document,
                                    const std::function<void(int, int)> &progress,
                                    const std::shared_ptr<std::atomic<bool>> &stop)
{
    const AssignmentWritePlan plan = planAssignmentWrite(document);
    AssignmentWriteIo io;
    io.progress = progress;
    if (!wholeSaveAtOnce) {
        // A batch goes out whole or not at all; only a paced write stops between keys.
        io.stopRequested = [stop] { return stop->load(); };
        // Every report names its physical key itself, so the compatibility
        // copy follows each report whatever the user has selected meanwhile.
        io.send = [&write](const Packet &packet, int knobKey) {
            return write(buildSendList(packet, knobKey));
        };
        io.pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
        return executeAssignmentWrite(plan, io);
    }
    std::vector<Packet> batch;
    io.send = [&batch](const Packet &packet, int knobKey) {
        const std::vector<Packet> list = buildSendList(packet, knobKey);
        batch.insert(batch.end(), list.begin(), list.end());
        return static_cast<int>(packet.size());
    };
    AssignmentWriteResult result = executeAssignmentWrite(plan, io);
    if (result.ok && !batch.empty())
        result.ok = write(batch) > 0;
    return result;
}
