#pragma once

// One thing the self-test does: a request on the line or a question to the operator. The kind
// says what goes on the line or is asked; the step running says how its reply is judged, so
// that a new step plans from these kinds, or adds its own, and judges in a place of its own.
namespace procedures {

inline constexpr int RelayCount = 8;
inline constexpr int DigitalCount = 4;
inline constexpr int AnalogCount = 3;

// Which end an analog input is turned to.
enum class AnalogEnd { Low, High };

inline const char *endName(AnalogEnd end)
{
    return end == AnalogEnd::High ? "high" : "low";
}

struct SelfTestOp {
    enum class Kind {
        LinkRead,          // the link's `read`th read: odd ones read the coils, even the registers
        SwitchOff,         // `relay` OFF by Write Single Coil, addressed
        AllOffByBroadcast, // all eight OFF by broadcast, for every module all ON switched on
        OpeningReadBack,   // the coils after the first switch-off: one still on is stuck on
        SwitchRelay,       // `relay` to `switchOn` by Write Single Coil
        RelayReadBack,     // the coils after `relay` was switched to `switchOn`
        AskClick,          // whether `relay` clicked
        SwitchAll,         // all eight to `switchOn`, to the module or by `broadcast`
        AllReadBack,       // the coils after all eight were switched to `switchOn`
        ReadInputs,        // where the step's inputs are, to tell what the next reading changed
        WatchDigital,      // digital `input` read until it has been on and off again
        AskAnalogEnd,      // the operator turns analog `input` to its `end`
        ReadAnalogEnd,     // analog `input` read at its `end`
        ReadLoopAllOff,    // a fixture's inputs, settled, before the step switches any relay
        ReadLoop,          // a fixture's inputs, settled after `relay` was switched to `switchOn`
    };

    Kind kind = Kind::ReadInputs;
    int read = 0;  // LinkRead: 1 to SelfTest::LinkReads
    int relay = 0; // 1 to 8
    int input = 0; // 1 to 4 digital, 1 to 3 analog
    bool switchOn = false;
    bool broadcast = false; // SwitchAll, AllReadBack: to every module rather than the one
    AnalogEnd end = AnalogEnd::Low;

    static SelfTestOp of(Kind kind) { return {kind}; }
    static SelfTestOp linkRead(int read)
    {
        SelfTestOp o{Kind::LinkRead};
        o.read = read;
        return o;
    }
    // SwitchOff, SwitchRelay, RelayReadBack, AskClick, ReadLoop.
    static SelfTestOp ofRelay(Kind kind, int relay, bool switchOn = false)
    {
        SelfTestOp o{kind};
        o.relay = relay;
        o.switchOn = switchOn;
        return o;
    }
    // SwitchAll, AllReadBack.
    static SelfTestOp ofAll(Kind kind, bool switchOn, bool broadcast)
    {
        SelfTestOp o{kind};
        o.switchOn = switchOn;
        o.broadcast = broadcast;
        return o;
    }
    // WatchDigital, AskAnalogEnd, ReadAnalogEnd.
    static SelfTestOp ofInput(Kind kind, int input, AnalogEnd end = AnalogEnd::Low)
    {
        SelfTestOp o{kind};
        o.input = input;
        o.end = end;
        return o;
    }
};

} // namespace procedures
