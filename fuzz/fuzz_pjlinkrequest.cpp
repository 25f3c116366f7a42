// Whatever a client sends, the line reader cuts it the same in one piece or
// in two, never holds a line longer than a digest and a request, and every
// line it gives is planned and answered without touching anything outside
// the table; an answer is one line of PJLink.
#include "bridge/pjlink/pjlinkcodec.h"
#include "bridge/pjlink/pjlinktable.h"

#include "fuzzcheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const qsizetype split = bytes.isEmpty() ? 0 : qsizetype(data[0]) % (bytes.size() + 1);

    Pjlink::LineReader whole;
    whole.feed(bytes);
    Pjlink::LineReader pieces;
    pieces.feed(bytes.first(split));
    pieces.feed(bytes.sliced(split));
    const QList<QByteArray> lines = whole.takeLines();
    check(lines == pieces.takeLines() && whole.verdict() == pieces.verdict());

    static const InputTable inputs = InputTable::defaults();
    static const PjlinkTable::Identity identity{"name", "info", 70};
    ProjectorState state;
    state.record(ProjectorReadings::Reading::Status, ProjectorState::Time(0), bytes.toByteArray());
    state.record(ProjectorReadings::Reading::Input, ProjectorState::Time(0), bytes.toByteArray());
    for (const QByteArray &line : lines) {
        check(line.size() <= Pjlink::LineReader::LongestLine && !line.contains('\r'));
        const Pjlink::DigestAndRest split = Pjlink::splitDigest(line);
        const auto request = Pjlink::parseRequest(split.rest);
        if (!request)
            continue;
        const PjlinkTable::Plan plan = PjlinkTable::plan(*request, inputs);
        if (plan.kind == PjlinkTable::Plan::Kind::Set) {
            check(!plan.actions.isEmpty() && request->protocolClass == '1');
            continue;
        }
        const QByteArray answer = Pjlink::response(*request, PjlinkTable::answer(plan, {state, inputs, identity}));
        check(answer.endsWith('\r') && answer.count('\r') == 1 && answer.size() <= 200);
    }
    return 0;
}
