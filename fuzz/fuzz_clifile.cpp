// The command-line tool's configuration file: anything is refused with a
// reason or accepted, and an accepted file writes back to a file that reads
// the same and plans the same save.

#include "fuzz/fuzztarget.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configjson.h"

#include <QByteArray>

VX_FUZZ_TARGET(clifile)
{
    const QByteArray json(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const ConfigJsonParse parsed = configDocumentFromJson(json);
    if (!parsed.ok) {
        VX_FUZZ_CHECK(!parsed.error.isEmpty());
        return;
    }
    const QByteArray written = configDocumentToJson(parsed.document);
    const ConfigJsonParse again = configDocumentFromJson(written);
    VX_FUZZ_CHECK(again.ok);
    VX_FUZZ_CHECK(configDocumentToJson(again.document) == written);
    const AssignmentWritePlan plan = planAssignmentWrite(parsed.document);
    for (const KnobWritePlan &knob : plan.knobs)
        VX_FUZZ_CHECK(knob.knobKey >= 1 && knob.knobKey <= kKnobKeyCount);
}
