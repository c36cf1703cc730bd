// The partner connection between two servers.
#pragma once

// Whether a partner is connected.
bool connected();
