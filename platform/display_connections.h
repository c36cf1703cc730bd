// Inside the platform layer: the X connections that nt_select watches, the
// same for the POSIX and the Win32 wait. Registered through posix_services.h.
#pragma once

constexpr int MAX_DISPLAYS = 2;

// The place of fd's connection, -1 when fd is none (-1 finds a free place).
int display_index(int fd);

// True when the connection in place d says events are queued.
bool display_pending(int d);

// True when the connection in place d has a queued callback: its pending
// callback then needs asking only when its input is readable or
// display_queued(d) says so.
bool display_has_queue_check(int d);
bool display_queued(int d);
