// SPDX-License-Identifier: MIT
#pragma once

// Registers the embedded layout, logo and icon (":/prefixbook/..."); the static library's
// resource object is linked only when something calls this. Safe to call more than once.
void initResources();
