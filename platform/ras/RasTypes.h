#pragma once
// Values and records exchanged with the dial-up service. Codes and states are
// the dial-up networking codes every part of the program speaks, whatever
// backend provides the service.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

using RasHandle = uint32_t;

namespace ras
{

// Connection states (as reported by a status query or a dial notification).
enum State : uint32_t {
    OpenPort = 0,
    PortOpened = 1,
    ConnectDevice = 2,
    DeviceConnected = 3,
    AllDevicesConnected = 4,
    Authenticate = 5,
    AuthNotify = 6,
    AuthRetry = 7,
    Authenticated = 14,
    Connected = 0x2000,
    Disconnected = 0x2001,
};

// Error codes the program reacts to or the simulated service produces.
enum Error : uint32_t {
    Success = 0,
    // A hang-up the service refused: the connection belongs to another user.
    AccessDenied = 5,
    InvalidHandle = 6,
    Pending = 600,
    // The connection was ended from outside while being set up.
    PortDisconnected = 619,
    EntryNotFound = 623,
    // The remote side (or the modem) closed the connection.
    RemoteDisconnected = 629,
    PortNotAvailable = 633,
    // Any other failure of the device or the service; the backend's error
    // text says what happened.
    DeviceError = 651,
    LineBusy = 676,
    // A person answered instead of a modem.
    VoiceAnswer = 677,
    NoAnswer = 678,
    NoCarrier = 679,
    NoDialTone = 680,
    AuthFailure = 691,
    // The link's protocol negotiation failed.
    NegotiationFailed = 718,
};

// The message number that comes with every dial notification.
constexpr uint32_t DialEventMessage = 0xCCCD;

// Size of the RAS entry list, and the longest entry name the service hands out.
constexpr int EntrySlots = 20;
constexpr int MaxEntryName = 256;
// The probe gives the watch at most this many characters of the entry name.
constexpr int ProbeEntryNameMax = 49;

} // namespace ras

// Names of the phone-book entries found by the last enumeration. Slots past
// the number found keep what they held; consumers skip empty slots.
using RasEntryList = std::array<QString, ras::EntrySlots>;

struct RasConnection {
    RasHandle handle = 0;
    QString entryName;
};

struct RasConnStatus {
    uint32_t state = 0;
    uint32_t error = 0;
};

// What a dial asks of the service. Text fields are cut to the service's
// limits by the caller (see TDialUp::dial).
struct RasDialParams {
    QString entryName;
    QString phoneNumber;
    QString callbackNumber;
    QString userName;
    QString password;
    QString domain;
    uint32_t subEntry = 0;
    uint32_t callbackId = 0;
};

struct RasNotification {
    RasHandle handle = 0;
    uint32_t message = ras::DialEventMessage;
    uint32_t state = 0;
    uint32_t error = 0;
    uint32_t extendedError = 0;
};

// Called by the service on its own thread, once per state change of a dial,
// in order. Whoever receives it must carry anything that touches windows or
// program state over to the user-interface thread.
using RasNotifier = std::function<void(const RasNotification&)>;
