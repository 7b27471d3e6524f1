#include "platform/wayland/connection.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>

#include "kde-output-order-v1-client-protocol.h"
#include "kde-primary-output-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

// A proxy's version: the compositor's, capped at what this client knows.
std::uint32_t Capped(std::uint32_t offered, std::uint32_t known) {
    return std::min(offered, known);
}

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    static_cast<WaylandConnection*>(data)->Global(registry, name, interface, version);
}

void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    static_cast<WaylandConnection*>(data)->GlobalRemove(name);
}

const wl_registry_listener kRegistryListener = {
    .global = OnGlobal,
    .global_remove = OnGlobalRemove,
};

using Output = WaylandConnection::Output;

// The position and the transform; the physical size and make are not needed.
void OnOutputGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                      std::int32_t, std::int32_t, const char*, const char*,
                      std::int32_t transform) {
    auto* output = static_cast<Output*>(data);
    // xdg-output's logical position, where there is one, is the one that places windows.
    if (output->Described == nullptr) {
        output->Info.X = x;
        output->Info.Y = y;
    }
    output->Info.Transform = transform;
}

void OnOutputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                  std::int32_t height, std::int32_t refresh) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    auto* output = static_cast<Output*>(data);
    output->Info.Mode = {width, height};
    output->Info.RefreshMilliHz = refresh;
}

void OnOutputDone(void*, wl_output*) {}

void OnOutputScale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Output*>(data)->Info.Scale = factor > 0 ? factor : 1;
}

void OnOutputName(void* data, wl_output*, const char* name) {
    static_cast<Output*>(data)->Info.Name = name != nullptr ? name : "";
}

void OnOutputDescription(void*, wl_output*, const char*) {}

const wl_output_listener kOutputListener = {
    .geometry = OnOutputGeometry,
    .mode = OnOutputMode,
    .done = OnOutputDone,
    .scale = OnOutputScale,
    .name = OnOutputName,
    .description = OnOutputDescription,
};

void OnLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto* output = static_cast<Output*>(data);
    output->Info.X = x;
    output->Info.Y = y;
}

void OnLogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
    static_cast<Output*>(data)->Info.Logical = {width, height};
}

void OnDescribedDone(void*, zxdg_output_v1*) {}

// wl_output's own name, from version 4, comes first and wins.
void OnDescribedName(void* data, zxdg_output_v1*, const char* name) {
    auto* output = static_cast<Output*>(data);
    if (output->Info.Name.empty() && name != nullptr) output->Info.Name = name;
}

void OnDescribedDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener kDescribedListener = {
    .logical_position = OnLogicalPosition,
    .logical_size = OnLogicalSize,
    .done = OnDescribedDone,
    .name = OnDescribedName,
    .description = OnDescribedDescription,
};

void OnPrimaryOutput(void* data, kde_primary_output_v1*, const char* name) {
    static_cast<WaylandConnection*>(data)->SetPrimaryName(name);
}

const kde_primary_output_v1_listener kPrimaryListener = {
    .primary_output = OnPrimaryOutput,
};

void OnOrderedOutput(void* data, kde_output_order_v1*, const char* name) {
    static_cast<WaylandConnection*>(data)->AddOrderedOutput(name);
}

void OnOrderDone(void* data, kde_output_order_v1*) {
    static_cast<WaylandConnection*>(data)->OrderDone();
}

const kde_output_order_v1_listener kOrderListener = {
    .output = OnOrderedOutput,
    .done = OnOrderDone,
};

// The seat tells its devices as soon as it is bound, before any window wants them.
void OnSeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
    static_cast<WaylandConnection*>(data)->SetSeatCapabilities(capabilities);
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {
    .capabilities = OnSeatCapabilities,
    .name = OnSeatName,
};

void OnShellPing(void*, xdg_wm_base* shell, std::uint32_t serial) {
    xdg_wm_base_pong(shell, serial);
}

const xdg_wm_base_listener kShellListener = {
    .ping = OnShellPing,
};

}  // namespace

WaylandConnection::WaylandConnection(wl_display* display) : WlDisplay(display) {}

WaylandConnection::~WaylandConnection() {
    for (auto& output : OutputList) {
        if (output->Described != nullptr) zxdg_output_v1_destroy(output->Described);
        if (output->Handle != nullptr) wl_output_destroy(output->Handle);
    }
    if (KdePrimary != nullptr) kde_primary_output_v1_destroy(KdePrimary);
    if (OrderNotices != nullptr) kde_output_order_v1_destroy(OrderNotices);
    if (OutputManager != nullptr) zxdg_output_manager_v1_destroy(OutputManager);
    if (WlSeat != nullptr) wl_seat_destroy(WlSeat);
    if (WpViewporter != nullptr) wp_viewporter_destroy(WpViewporter);
    if (WmBase != nullptr) xdg_wm_base_destroy(WmBase);
    if (WlShm != nullptr) wl_shm_destroy(WlShm);
    if (WlCompositor != nullptr) wl_compositor_destroy(WlCompositor);
    if (WlRegistry != nullptr) wl_registry_destroy(WlRegistry);
}

bool WaylandConnection::Start() {
    WlRegistry = wl_display_get_registry(WlDisplay);
    wl_registry_add_listener(WlRegistry, &kRegistryListener, this);
    // The globals, then what the bound objects tell at once (outputs' modes and names).
    if (wl_display_roundtrip(WlDisplay) < 0) {
        MissingGlobals = "the connection";
        return false;
    }
    for (auto& output : OutputList) Describe(*output);
    if (wl_display_roundtrip(WlDisplay) < 0) {
        MissingGlobals = "the connection";
        return false;
    }
    Started = true;
    if (WlCompositor == nullptr)
        MissingGlobals = "wl_compositor 4";
    else if (WlShm == nullptr)
        MissingGlobals = "wl_shm";
    else if (WmBase == nullptr)
        MissingGlobals = "xdg_wm_base";
    else if (OutputList.empty())
        MissingGlobals = "an output";
    return MissingGlobals.empty();
}

void WaylandConnection::Describe(Output& output) {
    if (OutputManager == nullptr || output.Described != nullptr) return;
    output.Described = zxdg_output_manager_v1_get_xdg_output(OutputManager, output.Handle);
    zxdg_output_v1_add_listener(output.Described, &kDescribedListener, &output);
}

void WaylandConnection::Global(wl_registry* registry, std::uint32_t name, const char* interface,
                               std::uint32_t version) {
    const auto is = [interface](const wl_interface& known) {
        return std::strcmp(interface, known.name) == 0;
    };
    if (is(wl_output_interface)) {
        auto output = std::make_unique<Output>();
        output->Owner = this;
        output->Global = name;
        output->Handle = static_cast<wl_output*>(
            wl_registry_bind(registry, name, &wl_output_interface, Capped(version, 4)));
        wl_output_add_listener(output->Handle, &kOutputListener, output.get());
        if (Started) Describe(*output);
        OutputList.push_back(std::move(output));
        // A monitor plugged in while the saver runs: it would show the desktop uncovered.
        if (Started && OutputsChangedHandler) OutputsChangedHandler();
    } else if (Started) {
        return;
    } else if (is(wl_compositor_interface) && version >= 4) {
        WlCompositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (is(wl_shm_interface)) {
        WlShm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (is(xdg_wm_base_interface)) {
        WmBase =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(WmBase, &kShellListener, this);
    } else if (is(wp_viewporter_interface)) {
        WpViewporter = static_cast<wp_viewporter*>(
            wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
    } else if (is(wl_seat_interface) && WlSeat == nullptr) {
        WlSeat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, Capped(version, 5)));
        wl_seat_add_listener(WlSeat, &kSeatListener, this);
    } else if (is(zxdg_output_manager_v1_interface)) {
        OutputManager = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
            registry, name, &zxdg_output_manager_v1_interface, Capped(version, 3)));
    } else if (is(kde_primary_output_v1_interface)) {
        KdePrimary = static_cast<kde_primary_output_v1*>(
            wl_registry_bind(registry, name, &kde_primary_output_v1_interface, 1));
        kde_primary_output_v1_add_listener(KdePrimary, &kPrimaryListener, this);
    } else if (is(kde_output_order_v1_interface)) {
        OrderNotices = static_cast<kde_output_order_v1*>(
            wl_registry_bind(registry, name, &kde_output_order_v1_interface, 1));
        kde_output_order_v1_add_listener(OrderNotices, &kOrderListener, this);
    }
}

void WaylandConnection::GlobalRemove(std::uint32_t name) {
    const bool ours = std::any_of(OutputList.begin(), OutputList.end(),
                                  [name](const auto& output) { return output->Global == name; });
    // An output unplugged: the saver's surface on it is gone; end rather than run half covered.
    if (ours && Started && OutputsChangedHandler) OutputsChangedHandler();
}

void WaylandConnection::OnSeatChanged(std::function<void(std::uint32_t)> changed) {
    SeatChanged = std::move(changed);
    if (SeatChanged) SeatChanged(SeatCapabilities);
}

void WaylandConnection::SetSeatCapabilities(std::uint32_t capabilities) {
    SeatCapabilities = capabilities;
    if (SeatChanged) SeatChanged(capabilities);
}
