#pragma once

#include <cstdint>
#include <typeindex>
#include <typeinfo>

namespace qel {

// The engine objects that scripts may hold pointers to, each under the type its script class
// expects and with a serial number of its own. A script object remembers the serial it saw when
// it was made; once the engine object is gone, or another object took over its address, the
// serials differ and the script gets an error instead of a dangling pointer.
//
// Objects are added by whoever knows their lifetime: an object that scripts can outlive adds
// itself in its constructor and removes itself in its destructor; the script host adds the
// objects it publishes as globals.
class LiveObjects {
public:
    using Serial = uint64_t;
    // The serial of no object: a null pointer, or one that is not live under the asked type.
    static constexpr Serial None = 0;

    // Registers the object under T with a fresh serial, replacing any earlier registration of
    // the same address; returns the serial.
    template <class T>
    static Serial add(const T* object)
    {
        return add(object, typeid(T));
    }

    // The same for an object whose type is known only by its index.
    static Serial add(const void* object, std::type_index type);

    static void remove(const void* object);

    template <class T>
    static Serial serialOf(const void* object)
    {
        return serialOf(object, typeid(T));
    }

private:
    static Serial serialOf(const void* object, std::type_index type);
};

} // namespace qel
