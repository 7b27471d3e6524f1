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
    void OnOutputsChanged(std::function<void()> changed) { outputsChanged_ = std::move(changed); }
    // Called with the seat's devices (WL_SEAT_CAPABILITY_*) whenever they change, and at once
    // with those known so far.
    void OnSeatChanged(std::function<void(std::uint32_t)> changed);

    wl_display* Display() const { return display_; }
    wl_compositor* Compositor() const { return compositor_; }
    wl_shm* Shm() const { return shm_; }
    xdg_wm_base* Shell() const { return shell_; }
    wp_viewporter* Viewporter() const { return viewporter_; }
    wl_seat* Seat() const { return seat_; }
    const std::vector<std::unique_ptr<Output>>& Outputs() const { return outputs_; }
    const std::string& PrimaryName() const { return primaryName_; }
    // Plasma's output order, the primary first; empty where the compositor tells none.
    const std::vector<std::string>& OutputOrder() const { return Ordered; }
    // What Start found missing, for the error message.
    const std::string& Missing() const { return missing_; }

    // Registry and output events, from the listeners.
    void Global(wl_registry* registry, std::uint32_t name, const char* interface,
                std::uint32_t version);
    void GlobalRemove(std::uint32_t name);
    void SetPrimaryName(const char* name) { primaryName_ = name != nullptr ? name : ""; }
    // One name of a new order, then its end: the order is taken whole.
    void AddOrderedOutput(const char* name) {
        OrderComing.emplace_back(name != nullptr ? name : "");
    }
    void OrderDone() { Ordered = std::exchange(OrderComing, {}); }
    void SetSeatCapabilities(std::uint32_t capabilities);

  private:
    void Describe(Output& output);

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    xdg_wm_base* shell_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wl_seat* seat_ = nullptr;
    zxdg_output_manager_v1* outputManager_ = nullptr;
    kde_primary_output_v1* primary_ = nullptr;
    kde_output_order_v1* OrderNotices = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::string primaryName_;
    std::vector<std::string> Ordered, OrderComing;
    std::string missing_;
    bool started_ = false;
    std::function<void()> outputsChanged_;
    std::uint32_t seatCapabilities_ = 0;
    std::function<void(std::uint32_t)> seatChanged_;
};
