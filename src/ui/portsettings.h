// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up applies the port settings stored by an earlier run.
#pragma once

#include <QString>

namespace qx {

class MSComm;
class PortStore;

// Applies the stored line settings, then the port number and the flow control, to the port (which stays
// closed). A refused line settings text stops at once; the port number and the flow control are both
// tried before a refusal of either is reported. Returns false with the description of the first refusal
// in `error` (if given): the caller warns and does not offer a new game.
bool LoadPortSettings(MSComm& port, const PortStore& store, QString* error);

} // namespace qx
