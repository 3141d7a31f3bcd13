#include "base/LiveObjects.hpp"

#include <gtest/gtest.h>

using namespace qel;

namespace {

struct Thing {};
struct OtherThing {};

} // namespace

TEST(LiveObjects, ARegistrationIsKnownByItsSerialAndType)
{
    Thing thing;
    const LiveObjects::Serial first = LiveObjects::add(&thing);
    EXPECT_NE(first, LiveObjects::None);
    EXPECT_EQ(LiveObjects::serialOf<Thing>(&thing), first);
    EXPECT_EQ(LiveObjects::serialOf<OtherThing>(&thing), LiveObjects::None) << "another type is not it";

    LiveObjects::remove(&thing);
    EXPECT_EQ(LiveObjects::serialOf<Thing>(&thing), LiveObjects::None);
    const LiveObjects::Serial second = LiveObjects::add(&thing);
    EXPECT_NE(second, first) << "a new object at the same address is a new object";
    LiveObjects::remove(&thing);

    EXPECT_EQ(LiveObjects::add<Thing>(nullptr), LiveObjects::None);
    EXPECT_EQ(LiveObjects::serialOf<Thing>(nullptr), LiveObjects::None);
}
