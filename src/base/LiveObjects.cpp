#include "base/LiveObjects.hpp"

#include <unordered_map>

namespace qel {

namespace {

struct Registration {
    LiveObjects::Serial serial;
    std::type_index type;
};

// Everything runs on the main thread, so one table serves every interpreter.
std::unordered_map<const void*, Registration>& registrations()
{
    static std::unordered_map<const void*, Registration> table;
    return table;
}

LiveObjects::Serial lastSerial = LiveObjects::None;

} // namespace

LiveObjects::Serial LiveObjects::add(const void* object, std::type_index type)
{
    if (!object)
        return None;
    const Serial serial = ++lastSerial;
    registrations().insert_or_assign(object, Registration{serial, type});
    return serial;
}

void LiveObjects::remove(const void* object)
{
    registrations().erase(object);
}

LiveObjects::Serial LiveObjects::serialOf(const void* object, std::type_index type)
{
    const auto found = registrations().find(object);
    if (found == registrations().end() || found->second.type != type)
        return None;
    return found->second.serial;
}

} // namespace qel
