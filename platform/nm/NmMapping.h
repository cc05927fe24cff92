#pragma once
// NetworkManager's states and reasons in the dial-up codes the program
// speaks. Kept apart from the D-Bus code so that each table is tested as a
// table.
//
// A device moves through prepare (40), config (50), need-auth (60),
// ip-config, ip-check and secondaries (70-90) to activated (100); it ends in
// deactivating (110), failed (120) or disconnected (30), with a reason.
// An active connection is activating (1), activated (2), deactivating (3)
// or deactivated (4), also with a reason of its own.

#include <QString>
#include <cstdint>

namespace nm
{

constexpr uint32_t NoState = 0xFFFFFFFF;

// The dial-up state a device state shows reached, NoState for none.
uint32_t stateOfDevice(uint32_t deviceState);

// Device states that end an activation.
bool deviceEnded(uint32_t deviceState);

// The error of an activation that ended before it was up, from the device's
// reason; ras::DeviceError for reasons without a code of their own.
uint32_t errorOfDeviceReason(uint32_t reason);
// The same from an active connection's reason, when no device said why.
uint32_t errorOfConnectionReason(uint32_t reason);

// For ras::DeviceError: NetworkManager's reason, in Italian.
QString deviceReasonText(uint32_t reason);
QString connectionReasonText(uint32_t reason);

// Connection kinds that dial: modems (gsm, cdma), Bluetooth dial-up
// networking and PPPoE. bluetoothType: the "bluetooth.type" setting.
bool isDialUpKind(const QString& type, const QString& bluetoothType);

} // namespace nm
