#pragma once
// Picks the dial-up service backend for this system. Only the simulated
// service exists for now; a pppd backend would be chosen here, so that no
// caller changes when it arrives.

#include "dialup/RasService.h"

#include <QString>
#include <memory>

std::unique_ptr<IRasService> createRasService(const QString& programFolder);
