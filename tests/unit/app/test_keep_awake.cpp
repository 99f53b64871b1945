// What keeps the PC awake as the step decided it: a power request with its
// reason where the system has them, the thread's execution state where not.
#include <gtest/gtest.h>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/app/KeepAwake.h"

namespace {
NightEffects Held(uint32_t state, const std::string& reason) {
    NightEffects fx;
    fx.executionState = state;
    fx.holdReason = reason;
    return fx;
}
} // namespace

TEST(KeepAwake, ARequestNamesTheReasonAndTheStateIsTheFallback) {
    constexpr uint32_t kSystem = ES_FLAG_CONTINUOUS | ES_FLAG_SYSTEM_REQUIRED;
    for (const bool requests : {true, false}) {
        SCOPED_TRACE(requests);
        CFakePower power;
        CFakeSession session;
        CFakeDialogControls controls;
        CWakeStatus status(controls);
        CKeepAwake keepAwake({power, session}, status);
        if (requests)
            power.HavePowerRequests();
        keepAwake.Apply(Held(kSystem | ES_FLAG_AWAYMODE_REQUIRED, "Orvisa is recording"));
        EXPECT_EQ(power.RequestReason(), requests ? "Orvisa is recording" : "");
        EXPECT_EQ(power.ExecutionStates().back(),
                  requests ? ES_FLAG_CONTINUOUS : kSystem | ES_FLAG_AWAYMODE_REQUIRED);
        EXPECT_EQ(power.HeldState() & ~ES_FLAG_CONTINUOUS,
                  ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_AWAYMODE_REQUIRED);
        // Another program is asked about with this scheduler's own hold let
        // go, and the hold is back after.
        power.OnReadSystemState([&] { return power.HeldState(); });
        EXPECT_FALSE(keepAwake.OtherProgramAwake(kSystem | ES_FLAG_AWAYMODE_REQUIRED));
        EXPECT_EQ(power.RequestReason(), requests ? "Orvisa is recording" : "");
        // A reset once goes by the state; letting go ends the request.
        keepAwake.Apply(Held(ES_FLAG_SYSTEM_REQUIRED, ""));
        EXPECT_EQ(power.ExecutionStates().back(), ES_FLAG_SYSTEM_REQUIRED);
        keepAwake.Apply(Held(ES_FLAG_CONTINUOUS, ""));
        EXPECT_EQ(power.RequestedKinds(), 0u);
        EXPECT_EQ(power.HeldState(), ES_FLAG_CONTINUOUS);
    }
}
