// The set-up shared by the end-to-end tests' small Wayland clients (velmora-e2e-pointer,
// velmora-e2e-fakeinput, velmora-e2e-window): connecting, binding the globals a client wants, and
// running a tool's actions from its command line or its standard input.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

// A global a client binds: the first one offered of `Interface`, at `Version` (offered at that
// version or above), its proxy kept in `Target` (a T* that `Keep` fills while it is null).
struct WantedGlobal {
    const wl_interface* Interface;
    std::uint32_t Version;
    void* Target;
    bool (*Keep)(void* target, wl_registry* registry, std::uint32_t name,
                 const WantedGlobal& wanted);
};

template <typename T>
WantedGlobal Want(const wl_interface& interface, std::uint32_t version, T*& proxy) {
    return {
        &interface, version, &proxy,
        [](void* target, wl_registry* registry, std::uint32_t name, const WantedGlobal& wanted) {
            T*& kept = *static_cast<T**>(target);
            if (kept != nullptr) return false;
            kept =
                static_cast<T*>(wl_registry_bind(registry, name, wanted.Interface, wanted.Version));
            return true;
        }};
}

inline void BindWanted(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
    for (const WantedGlobal& wanted : *static_cast<std::vector<WantedGlobal>*>(data))
        if (std::strcmp(interface, wanted.Interface->name) == 0 && version >= wanted.Version &&
            wanted.Keep(wanted.Target, registry, name, wanted))
            return;
}
inline void IgnoreRemoved(void*, wl_registry*, std::uint32_t) {}

// Connects to the compositor and binds the `wanted` globals that it offers (a roundtrip); null,
// having said so on standard error as `program`, when there is no display.
inline wl_display* ConnectAndBind(const char* program, std::initializer_list<WantedGlobal> wanted) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: no Wayland display\n", program);
        return nullptr;
    }
    static const wl_registry_listener kRegistry = {.global = BindWanted,
                                                   .global_remove = IgnoreRemoved};
    std::vector<WantedGlobal> list(wanted);
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &list);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    return display;
}

// Runs the actions named on the command line, or else one line of actions at a time from standard
// input, each line answered "ok" once `run` has done it. 0 when all are done, 2 when one fails.
template <typename Run>
int RunActions(int argc, char** argv, Run run) {
    if (argc > 1) return run(std::vector<std::string>(argv + 1, argv + argc)) ? 0 : 2;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;) words.push_back(word);
        if (!run(words)) return 2;
        std::cout << "ok" << std::endl;
    }
    return 0;
}

}  // namespace e2e
