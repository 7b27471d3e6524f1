#include "platform/dbus/mutterprimary.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace {

// Messages made on a bus that never connects to anything, sealed and read back as a received
// answer is: the bytes mutter's GetCurrentState sends, without mutter.
class StateAnswer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Ends), 0);
        ASSERT_GE(sd_bus_new(&Bus), 0);
        ASSERT_GE(sd_bus_set_fd(Bus, Ends[0], Ends[0]), 0);
        ASSERT_GE(sd_bus_start(Bus), 0);
    }
    void TearDown() override {
        sd_bus_message_unref(Message);
        sd_bus_close_unref(Bus);
        close(Ends[1]);
    }

    // A fresh answer whose serial and physical monitors are written: two monitors, "Meta-0" of
    // one mode and "Meta-1" of two, each with properties, as mutter lists them.
    sd_bus_message* Begin(const char* member = "GetCurrentState") {
        EXPECT_GE(sd_bus_message_new_signal(Bus, &Message, "/org/gnome/Mutter/DisplayConfig",
                                            "org.gnome.Mutter.DisplayConfig", member),
                  0);
        EXPECT_GE(sd_bus_message_append(Message, "ua((ssss)a(siiddada{sv})a{sv})", 7u, 2,
                                        // Meta-0: one mode, current, with a property of its own
                                        "Meta-0", "MetaProducts Inc.", "MetaMonitor", "0x123456", 1,
                                        "1024x768@60.000", 1024, 768, 60.0, 1.0, 2, 1.0, 2.0, 1,
                                        "is-current", "b", 1, 1, "display-name", "s", "Virtual 1",
                                        // Meta-1: two modes, no properties
                                        "Meta-1", "MetaProducts Inc.", "MetaMonitor", "0x654321", 2,
                                        "800x600@60.000", 800, 600, 60.0, 1.0, 1, 1.0, 0,
                                        "640x480@60.000", 640, 480, 60.0, 1.0, 1, 1.0, 0, 0),
                  0);
        return Message;
    }
    // Sealed and rewound: what the reply handler gets.
    sd_bus_message* Received() {
        EXPECT_GE(sd_bus_message_seal(Message, 1, 0), 0);
        EXPECT_GE(sd_bus_message_rewind(Message, 1), 0);
        return Message;
    }
    // One logical monitor of one physical monitor, opened in the logical monitors' array.
    void AddLogical(int x, const char* connector, bool primary) {
        EXPECT_GE(sd_bus_message_append(Message, "(iiduba(ssss)a{sv})", x, 0, 1.0, 0u, primary, 1,
                                        connector, "MetaProducts Inc.", "MetaMonitor", "0x1", 1,
                                        "presentation", "b", 0),
                  0);
    }
    void OpenLogical() {
        EXPECT_GE(sd_bus_message_open_container(Message, 'a', "(iiduba(ssss)a{sv})"), 0);
    }
    // Closes the logical monitors and adds the global properties.
    void CloseLogical() {
        EXPECT_GE(sd_bus_message_close_container(Message), 0);
        EXPECT_GE(sd_bus_message_append(Message, "a{sv}", 2, "layout-mode", "u", 1u,
                                        "supports-changing-layout-mode", "b", 0),
                  0);
    }

    int Ends[2] = {-1, -1};
    sd_bus* Bus = nullptr;
    sd_bus_message* Message = nullptr;
};

TEST_F(StateAnswer, ThePrimaryLogicalMonitorNamesItsConnectorWhereverItIsListed) {
    Begin();
    OpenLogical();
    AddLogical(0, "Meta-0", false);
    AddLogical(1024, "Meta-1", true);
    CloseLogical();
    std::string connector = "stale";
    ASSERT_TRUE(ReadPrimaryConnector(Received(), connector));
    EXPECT_EQ(connector, "Meta-1");
}

TEST_F(StateAnswer, NoPrimaryAndNoLogicalMonitorAreAnswersNamingNone) {
    Begin();
    OpenLogical();
    AddLogical(0, "Meta-0", false);
    AddLogical(1024, "Meta-1", false);
    CloseLogical();
    std::string connector = "stale";
    ASSERT_TRUE(ReadPrimaryConnector(Received(), connector));
    EXPECT_EQ(connector, "");

    sd_bus_message_unref(std::exchange(Message, nullptr));
    Begin();
    OpenLogical();
    CloseLogical();
    connector = "stale";
    ASSERT_TRUE(ReadPrimaryConnector(Received(), connector));
    EXPECT_EQ(connector, "");
}

TEST_F(StateAnswer, AMirroredPrimaryNamesItsFirstMonitor) {
    Begin();
    OpenLogical();
    AddLogical(0, "Meta-0", false);
    EXPECT_GE(sd_bus_message_append(Message, "(iiduba(ssss)a{sv})", 1024, 0, 1.0, 0u, true, 2,
                                    "HDMI-1", "v", "p", "s", "DP-2", "v", "p", "s", 0),
              0);
    CloseLogical();
    std::string connector;
    ASSERT_TRUE(ReadPrimaryConnector(Received(), connector));
    EXPECT_EQ(connector, "HDMI-1");
}

TEST_F(StateAnswer, AnAnswerOfOtherTypesIsRefusedAndNamesNone) {
    // Logical monitors without their properties, as no mutter sends them.
    Begin();
    EXPECT_GE(sd_bus_message_append(Message, "a(iiduba(ssss))", 1, 0, 0, 1.0, 0u, true, 1, "Meta-0",
                                    "v", "p", "s"),
              0);
    std::string connector = "stale";
    EXPECT_FALSE(ReadPrimaryConnector(Received(), connector));
    EXPECT_EQ(connector, "");

    // A plain string where the serial should be.
    sd_bus_message_unref(std::exchange(Message, nullptr));
    ASSERT_GE(sd_bus_message_new_signal(Bus, &Message, "/org/gnome/Mutter/DisplayConfig",
                                        "org.gnome.Mutter.DisplayConfig", "GetCurrentState"),
              0);
    ASSERT_GE(sd_bus_message_append(Message, "s", "Meta-0"), 0);
    EXPECT_FALSE(ReadPrimaryConnector(Received(), connector));
}

}  // namespace
