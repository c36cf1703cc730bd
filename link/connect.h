// The partner connection: two servers share one user interface over TCP.
// Every event one side's dispatch accepts is sent to the other, which
// dispatches it as if it had happened there.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>

// Listens on the port (option -y); a failure ends the server.
void preset_connect(uint16_t port);
// Disconnects, stops listening and removes the connection-request window.
void cleanup_connect();
// Reads the request arriving on a connected non-blocking socket, as if it had
// been accepted from the IPv4 address `peer` (network byte order; also the
// fuzz target's way in).
void take_request(int fd, uint32_t peer);
bool connected();
// The socket the wait loop watches: the connection's, else the listening one (-1 none).
int get_socket();
// An accepted socket whose request is still arriving, -1 none; watched as well.
int get_request_socket();
// Called by the wait loop when one of the two sockets is readable.
void process_connection_data();
// Drops a request or a message that stalled past its time bound, and removes
// a closed request window; called on idle passes.
void check_connection_timeouts();
// Sends one event accepted by the dispatch.
void transmit_event(const XEvent* event, bool ui_object_wants_it);

// The connecting side (YARL CONNECT); the status goes to predefined 102.
void connect_to_host(const char* host, const char* display_host);
// Ends the connection from this side (status 13).
void disconnect();

// The buttons of the connection-request window.
void accept_connection(long id);
void deny_connection(long id);
void close_connect_window(long id);

// A partner event message of `length` bytes (without its length byte):
// dispatched, or false when malformed (nothing is dispatched then).
bool treat_event(const uint8_t* message, size_t length);
// Whether received configuration code holds only what compile_resources
// emits, every reference in range, so that it may run.
bool partner_code_acceptable(const uint8_t* code, size_t length);
