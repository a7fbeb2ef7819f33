// A pointer for a Wayland compositor without input devices: a client of the wlroots virtual
// pointer protocol (zwlr_virtual_pointer_manager_v1, which sway offers) that moves the seat's
// pointer and presses its left button, as the steps on its command line say.
//
// Usage: pw2_virtual_pointer STEP...
//   move DX DY  moves the pointer by DX, DY pixels
//   click       presses and releases the left button
//   pause MS    waits MS milliseconds (the first step should give clients time to see the new
//               pointer, as wtype -s does for its keyboard)
//   until FILE  waits until FILE exists (at most 30 s), so that a script can look at the screen
//               between two steps
// Once the compositor has taken a step, its name is printed on a line of its own. The pointer
// stays until the last step is done.
// Exit status: 0 the steps were taken, 1 no compositor, no virtual pointer protocol, or FILE did
// not appear in time, 2 usage.
//
// libwayland-client is loaded at run time and the protocol's two interfaces are described here,
// so that the helper needs neither the Wayland development headers nor wayland-scanner.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// libwayland-client's public types, as its ABI lays them out.
struct WlInterface;
struct WlMessage {
    const char* name;
    const char* signature;
    const WlInterface** types;
};
struct WlInterface {
    const char* name;
    int version;
    int methodCount;
    const WlMessage* methods;
    int eventCount;
    const WlMessage* events;
};
union WlArgument {
    std::int32_t i;
    std::uint32_t u;
    std::int32_t f; // wl_fixed_t: 24.8 fixed point
    const char* s;
    void* o;
    std::uint32_t n;
    void* a;
    std::int32_t h;
};
struct WlProxy;
using GlobalHandler = void (*)(void*, WlProxy*, std::uint32_t, const char*, std::uint32_t);
using GlobalRemoveHandler = void (*)(void*, WlProxy*, std::uint32_t);
struct RegistryListener {
    GlobalHandler global;
    GlobalRemoveHandler globalRemove;
};

constexpr std::uint32_t kMarshalDestroy = 1; // WL_MARSHAL_FLAG_DESTROY
constexpr std::uint32_t kGetRegistry = 1;    // wl_display.get_registry
constexpr std::uint32_t kBind = 0;           // wl_registry.bind
constexpr std::uint32_t kButtonLeft = 0x110; // BTN_LEFT

struct Wayland {
    WlProxy* (*connect)(const char*);
    void (*disconnect)(WlProxy*);
    int (*roundtrip)(WlProxy*);
    int (*flush)(WlProxy*);
    WlProxy* (*marshal)(WlProxy*, std::uint32_t, const WlInterface*, std::uint32_t, std::uint32_t,
                        WlArgument*);
    int (*addListener)(WlProxy*, void (**)(), void*);
    void (*destroy)(WlProxy*);
    const WlInterface* registryInterface;
    const WlInterface* seatInterface;
};

template <typename T>
bool load(void* library, const char* name, T& to) {
    void* symbol = ::dlsym(library, name);
    if (!symbol) {
        std::fprintf(stderr, "pw2_virtual_pointer: libwayland-client has no %s\n", name);
        return false;
    }
    to = reinterpret_cast<T>(symbol);
    return true;
}

bool loadWayland(Wayland& w) {
    void* library = ::dlopen("libwayland-client.so.0", RTLD_NOW);
    if (!library) {
        std::fprintf(stderr, "pw2_virtual_pointer: %s\n", ::dlerror());
        return false;
    }
    return load(library, "wl_display_connect", w.connect) &&
           load(library, "wl_display_disconnect", w.disconnect) &&
           load(library, "wl_display_roundtrip", w.roundtrip) &&
           load(library, "wl_display_flush", w.flush) &&
           load(library, "wl_proxy_marshal_array_flags", w.marshal) &&
           load(library, "wl_proxy_add_listener", w.addListener) &&
           load(library, "wl_proxy_destroy", w.destroy) &&
           load(library, "wl_registry_interface", w.registryInterface) &&
           load(library, "wl_seat_interface", w.seatInterface);
}

// The virtual pointer protocol, version 1: the requests in their protocol order, which gives
// their opcodes.
const WlInterface* noTypes[5] = {};
extern const WlInterface virtualPointerInterface;
const WlInterface* createTypes[2] = {nullptr, &virtualPointerInterface}; // seat set at run time
const WlMessage managerRequests[] = {
    {"create_virtual_pointer", "?on", createTypes},
    {"destroy", "", noTypes},
};
const WlInterface managerInterface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, managerRequests, 0, nullptr};
const WlMessage pointerRequests[] = {
    {"motion", "uff", noTypes},   {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes},   {"axis", "uuf", noTypes},
    {"frame", "", noTypes},       {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes}, {"axis_discrete", "uufi", noTypes},
    {"destroy", "", noTypes},
};
const WlInterface virtualPointerInterface = {"zwlr_virtual_pointer_v1", 1, 9,
                                             pointerRequests,           0, nullptr};
enum PointerRequest : std::uint32_t { Motion = 0, Button = 2, Frame = 4, Destroy = 8 };

struct Globals {
    std::uint32_t seat = 0;
    std::uint32_t manager = 0;
};

void onGlobal(void* data, WlProxy*, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, "wl_seat") == 0 && globals->seat == 0)
        globals->seat = name;
    else if (std::strcmp(interface, managerInterface.name) == 0)
        globals->manager = name;
}

void onGlobalRemove(void*, WlProxy*, std::uint32_t) {}

std::uint32_t milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int usage() {
    std::fprintf(stderr,
                 "usage: pw2_virtual_pointer (move DX DY | click | pause MS | until FILE)...\n");
    return 2;
}

bool number(const char* text, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value > -100000 && value < 100000;
}

} // namespace

int main(int argc, char** argv) {
    // The steps are checked before anything is sent.
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        long value = 0;
        if (step == "move" && i + 2 < argc && number(argv[i + 1], value) &&
            number(argv[i + 2], value))
            i += 2;
        else if (step == "pause" && i + 1 < argc && number(argv[i + 1], value) && value >= 0)
            i += 1;
        else if (step == "until" && i + 1 < argc)
            i += 1;
        else if (step != "click")
            return usage();
    }
    if (argc < 2)
        return usage();

    Wayland w{};
    if (!loadWayland(w))
        return 1;
    WlProxy* display = w.connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "pw2_virtual_pointer: no Wayland compositor to connect to\n");
        return 1;
    }
    WlArgument newId[1] = {};
    newId[0].o = nullptr;
    WlProxy* registry = w.marshal(display, kGetRegistry, w.registryInterface, 1, 0, newId);
    Globals globals;
    RegistryListener listener{onGlobal, onGlobalRemove};
    w.addListener(registry, reinterpret_cast<void (**)()>(&listener), &globals);
    w.roundtrip(display);
    if (globals.seat == 0 || globals.manager == 0) {
        std::fprintf(stderr, "pw2_virtual_pointer: the compositor offers no %s\n",
                     globals.seat == 0 ? "seat" : managerInterface.name);
        w.destroy(registry);
        w.disconnect(display);
        return 1;
    }
    const auto bind = [&](std::uint32_t name, const WlInterface* interface) {
        WlArgument args[4] = {};
        args[0].u = name;
        args[1].s = interface->name;
        args[2].u = 1;
        args[3].o = nullptr;
        return w.marshal(registry, kBind, interface, 1, 0, args);
    };
    WlProxy* seat = bind(globals.seat, w.seatInterface);
    WlProxy* manager = bind(globals.manager, &managerInterface);
    createTypes[0] = w.seatInterface;
    WlArgument createArgs[2] = {};
    createArgs[0].o = seat;
    createArgs[1].o = nullptr;
    WlProxy* pointer = w.marshal(manager, 0, &virtualPointerInterface, 1, 0, createArgs);
    w.roundtrip(display);

    const auto send = [&](std::uint32_t opcode, std::vector<std::uint32_t> values) {
        WlArgument args[3] = {};
        args[0].u = milliseconds();
        for (std::size_t i = 0; i < values.size() && i < 2; ++i)
            args[i + 1].u = values[i];
        w.marshal(pointer, opcode, nullptr, 1, 0, args);
    };
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        if (step == "move") {
            const long dx = std::strtol(argv[i + 1], nullptr, 10);
            const long dy = std::strtol(argv[i + 2], nullptr, 10);
            i += 2;
            // Fixed point: 256 to a pixel.
            send(Motion, {static_cast<std::uint32_t>(static_cast<std::int32_t>(dx * 256)),
                          static_cast<std::uint32_t>(static_cast<std::int32_t>(dy * 256))});
            send(Frame, {});
        } else if (step == "click") {
            send(Button, {kButtonLeft, 1});
            send(Frame, {});
            send(Button, {kButtonLeft, 0});
            send(Frame, {});
        } else if (step == "pause") {
            w.roundtrip(display);
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::strtol(argv[i + 1], nullptr, 10)));
            i += 1;
        } else {
            const char* file = argv[++i];
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (::access(file, F_OK) != 0) {
                if (std::chrono::steady_clock::now() > until) {
                    std::fprintf(stderr, "pw2_virtual_pointer: no %s after 30 s\n", file);
                    ok = false;
                    break;
                }
                w.roundtrip(display);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (!ok)
                break;
        }
        // The compositor has the step once it answers.
        w.roundtrip(display);
        std::printf("%s\n", step.c_str());
        std::fflush(stdout);
    }

    WlArgument none[1] = {};
    w.marshal(pointer, Destroy, nullptr, 1, kMarshalDestroy, none);
    w.marshal(manager, 1, nullptr, 1, kMarshalDestroy, none);
    w.destroy(seat);
    w.destroy(registry);
    w.roundtrip(display);
    w.disconnect(display);
    return ok ? 0 : 1;
}
