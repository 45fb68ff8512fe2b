// SPDX-License-Identifier: GPL-3.0-or-later
// A driver that reaches for the windows' toolkit: the layer check must refuse it.
#include <QMessageBox>
