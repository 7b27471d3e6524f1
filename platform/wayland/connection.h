// WaylandConnection: the compositor's globals the saver uses, and its outputs as they are told.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/wayland/outputs.h"

struct wl_compositor;
struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wp_viewporter;
struct xdg_wm_base;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct kde_primary_output_v1;
struct kde_output_order_v1;

class WaylandConnection {
  public:
    struct Output {
        WaylandConnection* Owner = nullptr;
        std::uint32_t Global = 0;
        wl_output* Handle = nullptr;
        zxdg_output_v1* Described = nullptr;
        OutputInfo Info;
    };

    // `display` stays the caller's.
    explicit WaylandConnection(wl_display* display);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // Binds the globals and learns the outputs. False when the compositor lacks what the saver
    // cannot do without (a compositor, shared memory, xdg-shell, an output).
    bool Start();
    // Called once an output is added or removed after Start, on the thread that dispatches.
    void OnOutputsChanged(std::function<void()> changed) {
        OutputsChangedHandler = std::move(changed);
    }
    // Called once Plasma names another primary output after Start.
    void OnPrimaryRenamed(std::function<void()> renamed) {
        PrimaryRenamedHandler = std::move(renamed);
    }
    // Called with the seat's devices (WL_SEAT_CAPABILITY_*) whenever they change, and at once
    // with those known so far.
    void OnSeatChanged(std::function<void(std::uint32_t)> changed);

    wl_display* Display() const { return WlDisplay; }
    wl_compositor* Compositor() const { return WlCompositor; }
    wl_shm* Shm() const { return WlShm; }
    xdg_wm_base* Shell() const { return WmBase; }
    wp_viewporter* Viewporter() const { return WpViewporter; }
    wl_seat* Seat() const { return WlSeat; }
    const std::vector<std::unique_ptr<Output>>& Outputs() const { return OutputList; }
    const std::string& PrimaryName() const { return KdePrimaryName; }
    // Plasma's output order, the primary first; empty where the compositor tells none.
    const std::vector<std::string>& OutputOrder() const { return Ordered; }
    // What Start found missing, for the error message.
    const std::string& Missing() const { return MissingGlobals; }

    // Registry and output events, from the listeners.
    void Global(wl_registry* registry, std::uint32_t name, const char* interface,
                std::uint32_t version);
    void GlobalRemove(std::uint32_t name);
    void SetPrimaryName(const char* name) {
        KdePrimaryName = name != nullptr ? name : "";
        PrimaryRenamed();
    }
    // One name of a new order, then its end: the order is taken whole.
    void AddOrderedOutput(const char* name) {
        OrderComing.emplace_back(name != nullptr ? name : "");
    }
    void OrderDone() {
        Ordered = std::exchange(OrderComing, {});
        PrimaryRenamed();
    }
    void SetSeatCapabilities(std::uint32_t capabilities);

  private:
    void Describe(Output& output);
    void PrimaryRenamed() {
        if (Started && PrimaryRenamedHandler) PrimaryRenamedHandler();
    }

    wl_display* WlDisplay;
    wl_registry* WlRegistry = nullptr;
    wl_compositor* WlCompositor = nullptr;
    wl_shm* WlShm = nullptr;
    xdg_wm_base* WmBase = nullptr;
    wp_viewporter* WpViewporter = nullptr;
    wl_seat* WlSeat = nullptr;
    zxdg_output_manager_v1* OutputManager = nullptr;
    kde_primary_output_v1* KdePrimary = nullptr;
    kde_output_order_v1* OrderNotices = nullptr;
    std::vector<std::unique_ptr<Output>> OutputList;
    std::string KdePrimaryName;
    std::vector<std::string> Ordered, OrderComing;
    std::string MissingGlobals;
    bool Started = false;
    std::function<void()> OutputsChangedHandler;
    std::function<void()> PrimaryRenamedHandler;
    std::uint32_t SeatCapabilities = 0;
    std::function<void(std::uint32_t)> SeatChanged;
};
