// The master's frame vectors through its builders, its framer and its decoder.
#include "Checks.h"
#include "MasterVectors.h"
#include "MemoryLink.h"

void frameChecks(Checks &checks)
{
    for (const RequestVector &v : requestVectors()) {
        checks.run(std::string("request: ") + v.name, [&](Checks &c) {
            MemoryLink link;
            modbus::ModbusMaster m(link);
            v.request(m);
            c.equal("on the wire", echoOf(Bytes(link.written.begin(), link.written.end())),
                    echoOf(v.frame));
            c.equal("TX box", link.tx, echoOf(v.frame));
        });
    }
    for (const ReplyVector &v : replyVectors()) {
        checks.run(std::string("reply: ") + v.name, [&](Checks &c) {
            MemoryLink link;
            modbus::ModbusMaster m(link);
            v.request(m);
            link.queue(v.bytes);
            m.ReceiveBytes(m.LastRequest.Address);
            c.equal("image", imageOf(m), v.image);
            c.equal("RX box", link.rx, echoOf(v.bytes));
            c.that("the framer is left empty", m.RxState.Count == 0);
        });
    }
}
