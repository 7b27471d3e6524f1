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

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {}

WaylandConnection::~WaylandConnection() {
    for (auto& output : outputs_) {
        if (output->Described != nullptr) zxdg_output_v1_destroy(output->Described);
        if (output->Handle != nullptr) wl_output_destroy(output->Handle);
    }
    if (primary_ != nullptr) kde_primary_output_v1_destroy(primary_);
    if (OrderNotices != nullptr) kde_output_order_v1_destroy(OrderNotices);
    if (outputManager_ != nullptr) zxdg_output_manager_v1_destroy(outputManager_);
    if (seat_ != nullptr) wl_seat_destroy(seat_);
    if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
    if (shell_ != nullptr) xdg_wm_base_destroy(shell_);
    if (shm_ != nullptr) wl_shm_destroy(shm_);
    if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
    if (registry_ != nullptr) wl_registry_destroy(registry_);
}

bool WaylandConnection::Start() {
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    // The globals, then what the bound objects tell at once (outputs' modes and names).
    if (wl_display_roundtrip(display_) < 0) {
        missing_ = "the connection";
        return false;
    }
    for (auto& output : outputs_) Describe(*output);
    if (wl_display_roundtrip(display_) < 0) {
        missing_ = "the connection";
        return false;
    }
    started_ = true;
    if (compositor_ == nullptr)
        missing_ = "wl_compositor 4";
    else if (shm_ == nullptr)
        missing_ = "wl_shm";
    else if (shell_ == nullptr)
        missing_ = "xdg_wm_base";
    else if (outputs_.empty())
        missing_ = "an output";
    return missing_.empty();
}

void WaylandConnection::Describe(Output& output) {
    if (outputManager_ == nullptr || output.Described != nullptr) return;
    output.Described = zxdg_output_manager_v1_get_xdg_output(outputManager_, output.Handle);
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
        if (started_) Describe(*output);
        outputs_.push_back(std::move(output));
        // A monitor plugged in while the saver runs: it would show the desktop uncovered.
        if (started_ && outputsChanged_) outputsChanged_();
    } else if (started_) {
        return;
    } else if (is(wl_compositor_interface) && version >= 4) {
        compositor_ = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (is(wl_shm_interface)) {
        shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (is(xdg_wm_base_interface)) {
        shell_ =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(shell_, &kShellListener, this);
    } else if (is(wp_viewporter_interface)) {
        viewporter_ = static_cast<wp_viewporter*>(
            wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
    } else if (is(wl_seat_interface) && seat_ == nullptr) {
        seat_ = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, Capped(version, 5)));
        wl_seat_add_listener(seat_, &kSeatListener, this);
    } else if (is(zxdg_output_manager_v1_interface)) {
        outputManager_ = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
            registry, name, &zxdg_output_manager_v1_interface, Capped(version, 3)));
    } else if (is(kde_primary_output_v1_interface)) {
        primary_ = static_cast<kde_primary_output_v1*>(
            wl_registry_bind(registry, name, &kde_primary_output_v1_interface, 1));
        kde_primary_output_v1_add_listener(primary_, &kPrimaryListener, this);
    } else if (is(kde_output_order_v1_interface)) {
        OrderNotices = static_cast<kde_output_order_v1*>(
            wl_registry_bind(registry, name, &kde_output_order_v1_interface, 1));
        kde_output_order_v1_add_listener(OrderNotices, &kOrderListener, this);
    }
}

void WaylandConnection::GlobalRemove(std::uint32_t name) {
    const bool ours = std::any_of(outputs_.begin(), outputs_.end(),
                                  [name](const auto& output) { return output->Global == name; });
    // An output unplugged: the saver's surface on it is gone; end rather than run half covered.
    if (ours && started_ && outputsChanged_) outputsChanged_();
}

void WaylandConnection::OnSeatChanged(std::function<void(std::uint32_t)> changed) {
    seatChanged_ = std::move(changed);
    if (seatChanged_) seatChanged_(seatCapabilities_);
}

void WaylandConnection::SetSeatCapabilities(std::uint32_t capabilities) {
    seatCapabilities_ = capabilities;
    if (seatChanged_) seatChanged_(capabilities);
}
