#pragma once

#include "LineArbiter.h"

// A tool's hold on the line, from its start until it is destroyed or released.
class LineHold {
public:
    LineHold(LineArbiter &arbiter, line::Origin tool) : arbiter(arbiter), tool(tool) {}
    ~LineHold() { release(); }
    LineHold(const LineHold &) = delete;
    LineHold &operator=(const LineHold &) = delete;

    void take()
    {
        arbiter.take(tool);
        held = true;
    }
    void release()
    {
        if (held)
            arbiter.release(tool);
        held = false;
    }

private:
    LineArbiter &arbiter;
    line::Origin tool;
    bool held = false;
};
