// Whatever a client sends first, the web front's reading of it is one of
// three and holds together: a whole request is whole from its own bytes
// alone, read the same; a refusal is a status the front answers, in a whole
// answer that says it closes; the Host check, the peer and the credentials
// take any bytes.
#include "bridge/web/requestrules.h"

#include "fuzzcheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    static const QHostAddress listens[] = {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::Any),
                                           QHostAddress(QStringLiteral("192.0.2.7")), QHostAddress(QHostAddress::LocalHostIPv6)};
    const RequestRules::Hosts hosts{listens[data[0] % 4], {QStringLiteral("bridge.example")}};

    const RequestRules::Verdict verdict = RequestRules::examine(bytes, hosts);
    switch (verdict.kind) {
    case RequestRules::Verdict::Incomplete:
        break;
    case RequestRules::Verdict::Complete: {
        check(verdict.length > 0 && verdict.length <= bytes.size());
        const RequestRules::Verdict alone = RequestRules::examine(bytes.first(verdict.length), hosts);
        check(alone.kind == RequestRules::Verdict::Complete && alone.length == verdict.length
              && alone.close == verdict.close && alone.upgrade == verdict.upgrade);
        for (const QByteArray &host : verdict.head.values("host"))
            check(RequestRules::hostAllowed(host, hosts));
        (void)RequestRules::peer(QHostAddress(QStringLiteral("10.0.0.1")), verdict.head.values("x-forwarded-for"),
                                 {QHostAddress(QStringLiteral("10.0.0.1"))});
        (void)RequestRules::basicPassword(verdict.head.value("authorization"));
        break;
    }
    case RequestRules::Verdict::Refused: {
        static const QList<int> statuses{400, 413, 421, 431, 501, 505};
        check(statuses.contains(verdict.status));
        const QByteArray refusal = RequestRules::refusal(verdict.status, verdict.reason);
        const RequestRules::Answer answer = RequestRules::answer(refusal, false);
        check(answer.complete && answer.status == verdict.status
              && answer.headLength + answer.bodyLength == refusal.size() && refusal.contains("\r\nConnection: close\r\n"));
        break;
    }
    }
    // Qt's answers are read for where they end; any bytes may stand in for them.
    const RequestRules::Answer answer = RequestRules::answer(bytes, data[0] & 1);
    check(!answer.complete || (answer.headLength > 0 && answer.headLength <= bytes.size()));
    return 0;
}
