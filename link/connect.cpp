#include "link/connect.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/event_fields.h"
#include "link/gin.h"
#include "link/si.h"
#include "platform/posix_services.h"
#include "platform/sockets.h"
#include "runtime/compile_resources.h"
#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/qob.h"
#include "runtime/window_record.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_label.h"
#include "toolkit/ui_mirrox_cursor.h"
#include "toolkit/ui_text_button.h"
#include "toolkit/ui_window.h"
#include "view/graphics_window.h"
#include "view/views.h"

namespace {

constexpr const char* MODULE = "connect";
constexpr uint8_t PROTOCOL_VERSION = 6;
constexpr size_t ID_RECORD_SIZE = 260;
constexpr size_t REQUEST_SIZE = 1 + ID_RECORD_SIZE;  // the version byte and the id record
constexpr uint32_t N_RECORD_TABLES = 14;
constexpr uint32_t CONNECTION_STATUS = 102;  // predefined variable

// Time bounds, in ms: no peer can hold the server longer.
constexpr int64_t STALL_MS = 10000;     // a transfer without progress
constexpr int64_t TRANSFER_MS = 60000;  // a transfer in all
constexpr int64_t DECISION_MS = 60000;  // the partner's user decides on the request
constexpr int64_t CONNECT_MS = 10000;
constexpr int64_t LOOKUP_MS = 2000;     // a host-name check at the accepting side
constexpr uint32_t MAX_CODE = 16u << 20;

enum status : int32_t {
  S_CONNECTED = 0, S_WRONG_YARL = 1, S_DENIED = 2, S_UNKNOWN_HOST = 5, S_READ_ERROR = 7,
  S_WRITE_ERROR = 8, S_TIMED_OUT = 9, S_REFUSED = 10, S_SOCKET_FAILED = 11, S_VERSION_MISMATCH = 12,
  S_DISCONNECTED = 13, S_PARTNER_DISCONNECTED = 14, S_CONNECTING = 15, S_SELF = 16, S_NO_PORT = 18,
};
// The error numbers of failed socket calls.
constexpr int E_INTERRUPTED = 4, E_OTHER = 5, E_WOULD_BLOCK = 10035, E_TIMED_OUT = 10060, E_REFUSED = 10061;

// Window ids of partner messages that are not toolkit windows.
constexpr uint32_t ID_GRAPHICS_ROOT = 1, ID_UI_ROOT = 2, ID_GRAPHICS_WINDOW = 3;
constexpr long CONNECT_WINDOW_ID = 8, PARTNER_CURSOR_ID = 9;

int connection_socket = -1;
int data_socket = -1;
int last_data_socket = -1;
uint16_t port_number;
uint32_t loaded_table_sizes[N_RECORD_TABLES];  // as the binary was loaded

// The request being collected or waiting for the user (its socket is last_data_socket).
struct {
  uint8_t data[REQUEST_SIZE];
  size_t got;
  int64_t start;  // ms
  ipv4_address peer;
} request;

// Partner messages collected across passes.
struct {
  uint8_t data[8192];
  size_t got;
  int64_t start;  // ms at which the first incomplete message began; 0 none
} inbox;

struct {
  UIWindow* window;
  UILabel* labels[2];
  UITextButton* accept;
  UITextButton* deny;  // null after Accept: one button closes the window
  bool closed;         // hidden, to be deleted outside any dispatch
  float resolution[2];  // of the request, set on Accept
} connect_window;

struct {
  UIWindow* window;
  UIMirroxCursor* cursor;
  bool moved;  // partner events moved the pointer since the cursor was last placed
  short x, y;
} partner_cursor;

int64_t now_ms() { return ticks() * 10; }

uint32_t get_be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
void put_be32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
void put_be16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

int error_number(int err) {
  switch (err) {
    case EINTR: return E_INTERRUPTED;
    case EAGAIN:
    case EINPROGRESS: return E_WOULD_BLOCK;
    case ETIMEDOUT: return E_TIMED_OUT;
    case ECONNREFUSED: return E_REFUSED;
    default: return E_OTHER;
  }
}

// Moves exactly n bytes on a non-blocking socket, waiting for it within the
// bounds; 0 on success, else the error number (E_TIMED_OUT when a bound ran out).
int transfer(int fd, uint8_t* data, size_t n, bool sending, int64_t stall_ms, int64_t total_ms) {
  int64_t start = now_ms(), progress = start;
  size_t done = 0;
  while (done < n) {
    ssize_t r = sending ? socket_send(fd, data + done, n - done) : socket_receive(fd, data + done, n - done);
    if (r > 0) {
      done += size_t(r);
      progress = now_ms();
      continue;
    }
    if (r == 0) return E_OTHER;  // the partner closed
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return error_number(errno);
    int64_t now = now_ms();
    int64_t wait = std::min(progress + stall_ms, start + total_ms) - now;
    if (wait <= 0) return E_TIMED_OUT;
    socket_wait(fd, sending, int(wait));
  }
  return 0;
}

int last_transfer_error;

void report_transfer_error(const char* what, int number) {
  const int e = number == E_TIMED_OUT ? ETIMEDOUT : number == E_REFUSED ? ECONNREFUSED : EIO;
  fprintf(stderr, "%s: %s\n", what, socket_error_text(e));
  errno = 0;
}

// True on failure, as the protocol's callers expect.
bool read_from_socket(int fd, void* buffer, size_t n, int64_t stall_ms = STALL_MS) {
  last_transfer_error = transfer(fd, static_cast<uint8_t*>(buffer), n, false, stall_ms, std::max(stall_ms, TRANSFER_MS));
  if (last_transfer_error != 0) report_transfer_error("Receive error", last_transfer_error);
  return last_transfer_error != 0;
}

bool write_to_socket(int fd, const void* buffer, size_t n) {
  last_transfer_error =
      transfer(fd, static_cast<uint8_t*>(const_cast<void*>(buffer)), n, true, STALL_MS, TRANSFER_MS);
  if (last_transfer_error != 0) report_transfer_error("Transmit error", last_transfer_error);
  return last_transfer_error != 0;
}

bool write_u16(int fd, uint16_t v) {
  uint8_t b[2];
  put_be16(b, v);
  return write_to_socket(fd, b, 2);
}

// ---- Windows ----------------------------------------------------------------------

Display* graphics_display() {
  return AppContext->graphics_display != nullptr ? AppContext->graphics_display : AppContext->ui_display;
}

uint32_t win_to_id(Window window) {
  if (window == None) return 0;
  if (window == DefaultRootWindow(graphics_display())) return ID_GRAPHICS_ROOT;
  if (window == DefaultRootWindow(AppContext->ui_display)) return ID_UI_ROOT;
  if (window == get_graphics_window()) return ID_GRAPHICS_WINDOW;
  long id = UIWindow::get_application_data(window);
  // The toolkit's own windows 2 (Info) and 3 (drag box) would read as the roots.
  return id > long(ID_GRAPHICS_WINDOW) ? uint32_t(id) : 0;
}

Window id_to_win(uint32_t id) {
  switch (id) {
    case 0: return None;
    case ID_GRAPHICS_ROOT: return DefaultRootWindow(graphics_display());
    case ID_UI_ROOT: return DefaultRootWindow(AppContext->ui_display);
    case ID_GRAPHICS_WINDOW: return get_graphics_window();
    default: return UIWindow::get_window(long(id));
  }
}

ImageText* label_text(const char* text) { return new ImageText(K_STRING, 9, dup_chars(text)); }

void set_label(int n, const char* text) {
  UILabel* label = connect_window.labels[n];
  label->reconfigure(label->x, label->y, 0, 0, false, false, 0, application_background(), false, label_text(text));
}

void make_request_buttons() {
  UIWindow* w = connect_window.window;
  if (connect_window.accept != nullptr) UIObject::discard(connect_window.accept);
  connect_window.accept = new UITextButton(w, 0, 0, 0, 0, 9, false, false, false, "Accept", accept_connection);
  connect_window.deny = new UITextButton(w, 0, 0, 0, 0, 9, false, false, false, "Deny", deny_connection);
}

// Places the labels and buttons, sizes the window to them and centres it.
void lay_out_connect_window() {
  UILabel* first = connect_window.labels[0];
  UILabel* second = connect_window.labels[1];
  second->reconfigure(0, short(first->height + 3), 0, 0, false, false, 0, application_background(), false, nullptr);
  short button_y = short(second->y + second->height + 3);
  connect_window.accept->set_position(0, button_y);
  if (connect_window.deny != nullptr) connect_window.deny->set_position(short(connect_window.accept->width + 20), button_y);
  uint16_t width = uint16_t(std::max(first->width, second->width) + 2);
  uint16_t height = uint16_t(button_y + connect_window.accept->height + 2);
  connect_window.window->set_size(width, height);
  Display* d = AppContext->ui_display;
  int screen = DefaultScreen(d);
  connect_window.window->set_origin(short((DisplayWidth(d, screen) - width) / 2),
                                    short((DisplayHeight(d, screen) - height) / 2));
}

void delete_connect_window() {
  if (connect_window.window == nullptr) return;
  UIObject::delete_discarded(connect_window.window);
  delete connect_window.accept;
  delete connect_window.deny;
  delete connect_window.labels[0];
  delete connect_window.labels[1];
  delete connect_window.window;
  connect_window = {};
}

void post_connect_window(const char* login, const char* host, uint32_t address, bool not_verified) {
  if (connect_window.closed) delete_connect_window();
  if (connect_window.window == nullptr) {
    UIWindow* w = new UIWindow(true, false, CONNECT_WINDOW_ID, "ConnectionRequest", false);
    w->set_title("Connection Request");
    connect_window.window = w;
    connect_window.labels[0] = new UILabel(w, 0, nullptr);
    connect_window.labels[1] = new UILabel(w, 0, nullptr);
    make_transient_to_app_main_win(w);
  }
  // After an Accept one button closes the window: the next request needs both.
  if (connect_window.deny == nullptr) make_request_buttons();
  char text[256];
  snprintf(text, sizeof text, "Connection requested by %s@%s (%u.%u.%u.%u).", login, host, address >> 24,
           address >> 16 & 0xFF, address >> 8 & 0xFF, address & 0xFF);
  set_label(0, text);
  set_label(1, not_verified ? "host not verified - accept at your own risk." : "(host name appears to be OK)");
  lay_out_connect_window();
  connect_window.window->redraw();
  connect_window.window->make_visible();
}

void set_connect_window_msg(const char* text) {
  if (connect_window.window == nullptr) return;
  set_label(1, text);
  lay_out_connect_window();
  connect_window.window->redraw();
  XFlush(AppContext->ui_display);
  XFlush(graphics_display());
}

void hide_connect_window() {
  if (connect_window.window != nullptr) connect_window.window->make_invisible();
}

void delete_partner_cursor() {
  delete partner_cursor.cursor;
  delete partner_cursor.window;
  partner_cursor = {};
}

// Places the cursor where the partner's events left the pointer; once per
// batch of messages, since mapping and redrawing wait for the X server.
void show_partner_cursor() {
  if (!partner_cursor.moved || !connected()) return;
  partner_cursor.moved = false;
  if (partner_cursor.window == nullptr) {
    UIWindow* w = new UIWindow(true, true, PARTNER_CURSOR_ID, "PartnerCursor", true);
    w->set_size(20, 25);
    w->set_background_color(0x1000000);
    partner_cursor.window = w;
    partner_cursor.cursor = new UIMirroxCursor(w, 0, nullptr);
  }
  partner_cursor.window->set_origin(partner_cursor.x, partner_cursor.y);
  partner_cursor.window->make_visible();
  partner_cursor.window->redraw();
}

// ---- Window sizes ---------------------------------------------------------------------

struct window_size {
  uint16_t width, height;
};

window_size query_graphics_window_size() {
  Window root = None;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  Window graphics = get_graphics_window();
  if (graphics == None || !XGetGeometry(graphics_display(), graphics, &root, &x, &y, &width, &height, &border, &depth))
    return {0, 0};
  return {uint16_t(width), uint16_t(height)};
}

void adjust_graphics_window_size(window_size own, window_size partner) {
  if (partner.width >= own.width && partner.height >= own.height) return;
  if (partner.width == 0 || partner.height == 0 || get_graphics_window() == None) return;
  XResizeWindow(graphics_display(), get_graphics_window(), std::min(own.width, partner.width),
                std::min(own.height, partner.height));
  XFlush(graphics_display());
}

bool send_window_size(int fd, window_size size) {
  uint8_t b[4];
  put_be16(b, size.width);
  put_be16(b + 2, size.height);
  return write_to_socket(fd, b, 4);
}

bool receive_window_size(int fd, window_size* size) {
  uint8_t b[4];
  if (read_from_socket(fd, b, 4)) return false;
  *size = {uint16_t(b[0] << 8 | b[1]), uint16_t(b[2] << 8 | b[3])};
  return true;
}

// ---- Connection state -----------------------------------------------------------------

void set_status(int32_t status) { put_predef(CONNECTION_STATUS, status); }

void close_connection(int32_t status) {
  delete_partner_cursor();
  socket_close(data_socket);
  data_socket = -1;
  inbox.got = 0;
  inbox.start = 0;
  set_status(status);
}

// Closes the request socket; with a status, the requester is told it first.
void drop_request(int status) {
  if (last_data_socket < 0) return;
  if (status >= 0) {
    uint8_t b[2];
    put_be16(b, uint16_t(status));
    (void)!socket_send(last_data_socket, b, 2);
    // Unread input would turn the close into a reset that loses the answer.
    socket_shutdown_write(last_data_socket);
    uint8_t rest[512];
    while (socket_receive(last_data_socket, rest, sizeof rest) > 0) {}
    errno = 0;
  }
  socket_close(last_data_socket);
  last_data_socket = -1;
  request.got = 0;
}

void refuse(int status, const char* warning) {
  fputs(warning, stderr);
  drop_request(status);
}

bool request_complete() { return last_data_socket >= 0 && request.got == REQUEST_SIZE; }

void examine_request() {
  const uint8_t* record = request.data + 1;
  uint32_t n_tables = get_be32(record + 200);
  if (n_tables != N_RECORD_TABLES) {
    fprintf(stderr, "Warning - connection rejected - number of tables (remote %lu vs. local %d) does not match.\n",
            static_cast<unsigned long>(n_tables), int(N_RECORD_TABLES));
    drop_request(S_VERSION_MISMATCH);
    return;
  }
  for (uint32_t t = 0; t < N_RECORD_TABLES; ++t) {
    if (get_be32(record + 204 + 4 * t) != loaded_table_sizes[t]) {
      refuse(S_WRONG_YARL, "Warning - connection rejected - wrong YARL.\n");
      return;
    }
  }
  char host[65], login[65];
  memcpy(host, record + 64, 64);
  host[64] = '\0';
  memcpy(login, record + 128, 64);
  login[64] = '\0';
  ipv4_address address = 0;
  bool verified = host_address(host, int(LOOKUP_MS), &address) && address == request.peer;
  connect_window.resolution[0] = float(get_be32(record + 192)) / 1000.0f;
  connect_window.resolution[1] = float(get_be32(record + 196)) / 1000.0f;
  post_connect_window(login, host, get_be32(reinterpret_cast<const uint8_t*>(&request.peer)), !verified);
}

// Takes what has arrived of the request; refuses it at the first fault.
void collect_request() {
  ssize_t r = socket_receive(last_data_socket, request.data + request.got, REQUEST_SIZE - request.got);
  if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (r <= 0) {
    refuse(S_READ_ERROR, request.got == 0 ? "Warning - connection rejected - I/O error reading protocol version.\n"
                                          : "Warning - connection rejected - I/O error reading id record.\n");
    return;
  }
  request.got += size_t(r);
  if (request.data[0] != PROTOCOL_VERSION) {
    refuse(S_VERSION_MISMATCH, "Warning - connection rejected - protocol version mismatch.\n");
    return;
  }
  if (request.got == REQUEST_SIZE) examine_request();
}

void accept_request() {
  if (connection_socket < 0) internal_error(911, MODULE);
  ipv4_address peer = 0;
  int fd = accept_socket(connection_socket, &peer);
  if (fd < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
      fprintf(stderr, "Error - unable to accept connection - %s.\n", socket_error_text(errno));
    errno = 0;
    return;
  }
  take_request(fd, peer);
}

bool readable(int fd) {
  return socket_wait(fd, false, 0);
}

// Dispatches the complete messages of the inbox; false when the connection closed.
bool treat_inbox() {
  size_t at = 0;
  while (at < inbox.got) {
    uint8_t length = inbox.data[at];
    if (length == 0) {
      close_connection(S_PARTNER_DISCONNECTED);
      return false;
    }
    if (length == 255) {
      fputs("Warning - partner message of length 255 - connection closed.\n", stderr);
      close_connection(S_READ_ERROR);
      return false;
    }
    if (inbox.got - at < size_t(1 + length)) break;
    if (!treat_event(inbox.data + at + 1, length)) {
      fputs("Warning - malformed partner message - connection closed.\n", stderr);
      close_connection(S_READ_ERROR);
      return false;
    }
    if (!connected()) return false;
    at += 1 + size_t(length);
  }
  memmove(inbox.data, inbox.data + at, inbox.got - at);
  inbox.got -= at;
  inbox.start = inbox.got == 0 ? 0 : at != 0 || inbox.start == 0 ? now_ms() : inbox.start;
  return true;
}

void receive_messages() {
  for (int pass = 0; pass < 64 && connected(); ++pass) {
    ssize_t r = socket_receive(data_socket, inbox.data + inbox.got, sizeof inbox.data - inbox.got);
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      errno = 0;
      break;
    }
    if (r <= 0) {
      close_connection(S_READ_ERROR);
      return;
    }
    inbox.got += size_t(r);
    if (!treat_inbox()) return;
  }
  show_partner_cursor();
}

// ---- Partner event messages -------------------------------------------------------------

struct message_reader {
  const uint8_t* at;
  const uint8_t* end;
  bool ok = true;

  bool has(size_t n) {
    ok = ok && size_t(end - at) >= n;
    return ok;
  }
  uint8_t byte() {
    if (!has(1)) return 0;
    return *at++;
  }
  uint32_t u32() {
    if (!has(4)) return 0;
    uint32_t v = get_be32(at);
    at += 4;
    return v;
  }
  // A NUL-terminated atom name inside the message.
  Atom atom(Display* display) {
    const void* nul = ok ? memchr(at, '\0', size_t(end - at)) : nullptr;
    if (nul == nullptr) {
      ok = false;
      return None;
    }
    const char* name = reinterpret_cast<const char*>(at);
    at = static_cast<const uint8_t*>(nul) + 1;
    return name[0] == '\0' ? None : XInternAtom(display, name, False);
  }
};

struct message_writer {
  uint8_t data[512];
  size_t n = 1;  // after the length byte
  bool fits = true;

  void bytes(const void* p, size_t count) {
    if (n + count > sizeof data) {
      fits = false;
      return;
    }
    memcpy(data + n, p, count);
    n += count;
  }
  void byte(uint8_t b) { bytes(&b, 1); }
  void u32(uint32_t v) {
    uint8_t b[4];
    put_be32(b, v);
    bytes(b, 4);
  }
};

}  // namespace

// ---- Interface -----------------------------------------------------------------------------

void preset_connect(uint16_t port) {
  port_number = port;
  for (uint32_t t = 0; t < N_RECORD_TABLES; ++t) loaded_table_sizes[t] = tables[t].length;
  listen_step failed = LISTEN_SOCKET;
  int fd = listen_on_port(port, &failed);
  if (fd < 0) {
    if (failed == LISTEN_SOCKET)
      fprintf(stderr, "Error - unable to create socket - %s.\n", socket_error_text(errno));
    else if (failed == LISTEN_BIND)
      fprintf(stderr, "Error - unable to bind socket to port %d - %s.\n", int(port), socket_error_text(errno));
    else
      fprintf(stderr, "Error - unable to listen to socket - %s.\n", socket_error_text(errno));
    halt("Socket initialization failed");
    return;
  }
  connection_socket = fd;
}

void cleanup_connect() {
  disconnect();
  drop_request(-1);
  socket_close(connection_socket);
  connection_socket = -1;
  delete_connect_window();
  delete_partner_cursor();
  cancel_host_lookup();
}

void take_request(int fd, uint32_t peer) {
  // A new request replaces one still waiting, without an answer.
  if (request_complete()) hide_connect_window();
  drop_request(-1);
  last_data_socket = fd;
  request.got = 0;
  request.start = now_ms();
  request.peer = peer;
}

bool connected() { return data_socket != -1; }

int get_socket() { return connected() ? data_socket : connection_socket; }

int get_request_socket() { return last_data_socket >= 0 && !request_complete() ? last_data_socket : -1; }

void process_connection_data() {
  if (connected()) {
    receive_messages();
    return;
  }
  int waiting = get_request_socket();
  if (waiting >= 0 && readable(waiting)) collect_request();
  if (connection_socket >= 0 && readable(connection_socket)) accept_request();
}

void check_connection_timeouts() {
  int64_t now = now_ms();
  // While a request arrives the wait watches its socket: the listener is asked here.
  if (get_request_socket() >= 0 && readable(connection_socket)) accept_request();
  if (get_request_socket() >= 0 && now - request.start > STALL_MS)
    refuse(-1, "Warning - connection rejected - request incomplete after 10 seconds.\n");
  if (connected() && inbox.start != 0 && now - inbox.start > STALL_MS) {
    fputs("Warning - partner message incomplete after 10 seconds - connection closed.\n", stderr);
    close_connection(S_READ_ERROR);
  }
  if (connect_window.closed) delete_connect_window();
}

void transmit_event(const XEvent* event, bool ui_object_wants_it) {
  uint32_t window_id = win_to_id(event->xany.window);
  const event_layout* layout = layout_of(event->type);
  if (window_id == 0 || layout == nullptr || !connected()) return;
  message_writer m;
  m.u32(window_id);
  m.byte(uint8_t(event->type));
  m.byte(ui_object_wants_it);
  m.u32(uint32_t(event->xany.serial));
  m.byte(uint8_t(event->xany.send_event));
  for (int i = 0; i < layout->count; ++i) {
    const event_field& f = layout->fields[i];
    switch (f.kind) {
      case FIELD_WINDOW: m.u32(win_to_id(get_window_field(event, f))); break;
      case FIELD_NUMBER: m.u32(get_field(event, f)); break;
      case FIELD_FLAG: m.byte(uint8_t(get_field(event, f))); break;
      case FIELD_ATOM: {
        char* name = atom_name(event->xany.display, *atom_field(const_cast<XEvent*>(event), f));
        m.bytes(name != nullptr ? name : "", name != nullptr ? strlen(name) + 1 : 1);
        if (name != nullptr) XFree(name);
        break;
      }
      case FIELD_KEY_VECTOR: m.bytes(event->xkeymap.key_vector, 32); break;
      case FIELD_CLIENT_DATA: {
        const XClientMessageEvent& c = event->xclient;
        m.byte(uint8_t(c.format));
        if (c.format == 32)
          for (long l : c.data.l) m.u32(uint32_t(l));
        else if (c.format == 16)
          for (short s : c.data.s) m.byte(uint8_t(s));
        else
          m.bytes(c.data.b, 20);
        break;
      }
    }
  }
  if (!m.fits || m.n > 255) {
    fprintf(stderr, "Warning - event %d for window %lx too long. Event not transmitted.\n", event->type,
            static_cast<unsigned long>(event->xany.window));
    return;
  }
  m.data[0] = uint8_t(m.n - 1);
  if (write_to_socket(data_socket, m.data, m.n)) close_connection(S_WRITE_ERROR);
}

bool treat_event(const uint8_t* message, size_t length) {
  message_reader in{message, message + length};
  uint32_t window_id = in.u32();
  int type = in.byte();
  uint8_t flag = in.byte();
  const event_layout* layout = layout_of(type);
  if (!in.ok || layout == nullptr || flag > 1) return false;
  Display* display = window_id == ID_GRAPHICS_ROOT || window_id == ID_GRAPHICS_WINDOW ? graphics_display()
                                                                                       : AppContext->ui_display;
  XEvent event{};
  event.type = type;
  event.xany.display = display;
  event.xany.window = id_to_win(window_id);
  event.xany.serial = in.u32();
  event.xany.send_event = in.byte();
  for (int i = 0; in.ok && i < layout->count; ++i) {
    const event_field& f = layout->fields[i];
    switch (f.kind) {
      case FIELD_WINDOW: *window_field(&event, f) = id_to_win(in.u32()); break;
      case FIELD_NUMBER: set_field(&event, f, in.u32()); break;
      case FIELD_FLAG: set_field(&event, f, in.byte()); break;
      case FIELD_ATOM: *atom_field(&event, f) = in.atom(display); break;
      case FIELD_KEY_VECTOR:
        if (in.has(32)) memcpy(event.xkeymap.key_vector, in.at, 32), in.at += 32;
        break;
      case FIELD_CLIENT_DATA: {
        XClientMessageEvent& c = event.xclient;
        c.format = in.byte();
        if (c.format == 32) {
          for (long& l : c.data.l) l = int32_t(in.u32());
        } else if (c.format == 16) {
          for (short& s : c.data.s) s = int8_t(in.byte());
        } else if (in.has(20)) {
          memcpy(c.data.b, in.at, 20);
          in.at += 20;
        }
        break;
      }
    }
  }
  if (!in.ok || in.at != in.end || window_id == 0) return false;
  // A window this side does not have: the event has nowhere to go.
  if (event.xany.window == None) return true;
  short x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  get_cursor_position(&x0, &y0);
  bool wanted = false;
  process_one_event(&event, false, flag != 0, &wanted);
  get_cursor_position(&x1, &y1);
  if (x1 != x0 || y1 != y0) partner_cursor.moved = true, partner_cursor.x = x1, partner_cursor.y = y1;
  return true;
}

// ---- The connecting side ------------------------------------------------------------------

// Connects within CONNECT_MS; a status, or 0 with the socket in *fd.
static int32_t open_connection(ipv4_address address, int* fd) {
  *fd = connect_socket(address, port_number, int(CONNECT_MS));
  int number = *fd >= 0 ? 0 : error_number(errno);
  errno = 0;
  if (number == 0) return 0;
  if (number == E_TIMED_OUT) return S_TIMED_OUT;
  if (number == E_REFUSED) return S_REFUSED;
  return number == E_OTHER ? S_SOCKET_FAILED : number;
}

static void fill_id_record(uint8_t* record, const char* host) {
  memset(record, 0, ID_RECORD_SIZE);
  strncpy(reinterpret_cast<char*>(record), host, 64);
  host_name(reinterpret_cast<char*>(record + 64), 64);
  strncpy(reinterpret_cast<char*>(record + 128), login_name(), 64);
  errno = 0;
  float x = 0, y = 0;
  get_screen_resolution(&x, &y);
  uint32_t rx = uint32_t(std::lround(x * 1000.0f)), ry = uint32_t(std::lround(y * 1000.0f));
  set_screen_resolution(float(rx) / 1000.0f, float(ry) / 1000.0f);
  put_be32(record + 192, rx);
  put_be32(record + 196, ry);
  put_be32(record + 200, N_RECORD_TABLES);
  for (uint32_t t = 0; t < N_RECORD_TABLES; ++t) put_be32(record + 204 + 4 * t, loaded_table_sizes[t]);
}

// The exchange after the connection is made; the final status.
static int32_t handshake(int fd, const char* host) {
  uint8_t request_bytes[REQUEST_SIZE];
  request_bytes[0] = PROTOCOL_VERSION;
  fill_id_record(request_bytes + 1, host);
  if (write_to_socket(fd, request_bytes, sizeof request_bytes)) return S_WRITE_ERROR;
  uint8_t answer[2];
  if (read_from_socket(fd, answer, 2, DECISION_MS))
    return last_transfer_error == E_TIMED_OUT ? S_TIMED_OUT : S_READ_ERROR;
  int32_t status = answer[0] << 8 | answer[1];
  if (status != S_CONNECTED) return status;
  window_size own = query_graphics_window_size(), partner{};
  if (!receive_window_size(fd, &partner)) return S_READ_ERROR;
  if (send_window_size(fd, own)) return S_WRITE_ERROR;
  adjust_graphics_window_size(own, partner);
  table code;
  table_create(&code, 1, 512);
  compile_resources(globals(), globals() + tables[T_GLOBALS].length, 0, &code);
  uint8_t length[4];
  put_be32(length, code.length);
  bool failed = write_to_socket(fd, length, 4) || write_to_socket(fd, code.items, code.length);
  table_delete(&code);
  return failed ? S_WRITE_ERROR : S_CONNECTED;
}

void connect_to_host(const char* host, const char* display_host) {
  if (port_number == 0) return set_status(S_NO_PORT);
  if (connected()) internal_error(638, MODULE);
  set_status(S_CONNECTING);
  const char* name = display_host != nullptr && display_host[0] != '\0' ? display_host : host;
  ipv4_address address = 0, own = 0;
  if (name == nullptr || !host_address(name, int(CONNECT_MS), &address)) return set_status(S_UNKNOWN_HOST);
  char own_name[256] = "";
  host_name(own_name, sizeof own_name);
  if ((host_address(own_name, int(LOOKUP_MS), &own) && own == address) ||
      (host_address("localhost", int(LOOKUP_MS), &own) && own == address))
    return set_status(S_SELF);
  int fd = -1;
  int32_t status = open_connection(address, &fd);
  if (status != 0) return set_status(status);
  status = handshake(fd, host != nullptr ? host : "");
  if (status != S_CONNECTED) {
    socket_close(fd);
    return set_status(status);
  }
  data_socket = fd;
  set_status(S_CONNECTED);
}

void disconnect() {
  if (!connected()) return;
  uint8_t zero = 0;
  (void)write_to_socket(data_socket, &zero, 1);
  close_connection(S_DISCONNECTED);
}

// ---- The accepting side's buttons -----------------------------------------------------------

void deny_connection(long id) {
  if (last_data_socket >= 0) (void)write_u16(last_data_socket, S_DENIED);
  hide_connect_window();
  if (id != 0) reinterpret_cast<UIButton*>(id)->set_in(false);
  drop_request(-1);
}

// Receives the partner's configuration code and runs it; false after a failure.
static bool receive_configuration() {
  set_connect_window_msg("Receiving GUI configuration. Please wait.");
  window_size partner{};
  if (!receive_window_size(data_socket, &partner)) {
    set_connect_window_msg("Unable to receive graphics window size - I/O error.");
    close_connection(S_READ_ERROR);
    return false;
  }
  adjust_graphics_window_size(query_graphics_window_size(), partner);
  uint8_t length_bytes[4];
  if (read_from_socket(data_socket, length_bytes, 4)) {
    set_connect_window_msg("Unable to receive GUI configuration - I/O error.");
    close_connection(S_READ_ERROR);
    return false;
  }
  uint32_t length = get_be32(length_bytes);
  if (length == 0) return true;
  if (length > MAX_CODE) {
    set_connect_window_msg("Unable to receive GUI configuration - bad code.");
    close_connection(S_READ_ERROR);
    return false;
  }
  uint8_t* code = static_cast<uint8_t*>(CheckedMalloc(length));
  bool failed = read_from_socket(data_socket, code, length);
  if (failed || !partner_code_acceptable(code, length)) {
    CheckedFree(code);
    set_connect_window_msg(failed ? "Unable to receive GUI configuration - I/O error."
                                  : "Unable to receive GUI configuration - bad code.");
    close_connection(S_READ_ERROR);
    return false;
  }
  set_connect_window_msg("Configuring GUI. Please wait.");
  interpret_code(&globals()[1], code, false);
  CheckedFree(code);
  close_connect_window(0);
  return true;
}

void accept_connection(long id) {
  if (id != 0) reinterpret_cast<UIButton*>(id)->set_in(false);
  if (!request_complete()) {
    hide_connect_window();
    return;
  }
  data_socket = last_data_socket;
  last_data_socket = -1;
  request.got = 0;
  set_status(S_CONNECTED);
  if (set_screen_resolution(connect_window.resolution[0], connect_window.resolution[1])) set_repaint(false);
  // The pressed button goes once its callback has returned.
  UIObject::discard(connect_window.deny);
  connect_window.deny = nullptr;
  UIObject::discard(connect_window.accept);
  connect_window.accept = new UITextButton(connect_window.window, 0, 0, 0, 0, 9, false, false, false, "Accept",
                                           close_connect_window);
  set_connect_window_msg("Transmitting ACCEPT command. Please wait.");
  if (write_u16(data_socket, S_CONNECTED)) {
    set_connect_window_msg("Unable to transmit ACCEPT command - I/O error.");
    close_connection(S_WRITE_ERROR);
    return;
  }
  if (send_window_size(data_socket, query_graphics_window_size())) {
    set_connect_window_msg("Unable to transmit graphics window size - I/O error.");
    close_connection(S_WRITE_ERROR);
    return;
  }
  receive_configuration();
}

void close_connect_window(long) {
  if (connect_window.window == nullptr) return;
  hide_connect_window();
  connect_window.closed = true;  // deleted on the next idle pass, outside the button's callback
}

// ---- Received configuration code ---------------------------------------------------------

namespace {

enum stacked : uint8_t { NUMBER, STRING };

// A reference of received code: a global, or a local of the window named by
// the last CONTEXT; null when out of range or of another selector.
ident_info* code_reference(const uint8_t* code, size_t length, size_t* at, const ident_info* window) {
  if (*at >= length) return nullptr;
  uint8_t first = code[*at];
  uint32_t selector, index;
  if (first & 0x20) {
    selector = first >> 6;
    index = first & 0x1F;
    *at += 1;
  } else {
    if (*at + 2 > length) return nullptr;
    uint32_t word = uint32_t(first) << 8 | code[*at + 1];
    selector = word >> 14;
    index = word & 0x1FFF;
    *at += 2;
  }
  if (selector == 0) return index < tables[T_GLOBALS].length ? &globals()[index] : nullptr;
  if (selector != 2 || window == nullptr || index >= window->word6) return nullptr;
  uint64_t local = uint64_t(window->count) + index;
  if (local >= tables[T_WINDOW_LOCALS].length) return nullptr;
  return &tables[T_WINDOW_LOCALS].as<ident_info>()[local];
}

bool resource_variable(const ident_info* id, bool array) {
  if (id == nullptr || !(id->word8 & IDENT_RESOURCE)) return false;
  if (array) return id->kind >= K_ARRAY + K_REAL && id->kind <= K_ARRAY + K_STRING;
  return id->kind <= K_STRING;
}

stacked kind_pushed(const ident_info* id) { return (id->kind & 7) == K_STRING ? STRING : NUMBER; }

}  // namespace

bool partner_code_acceptable(const uint8_t* code, size_t length) {
  constexpr uint8_t ASSIGN_ARRAY = 9, ASSIGN_SCALAR = 22, CONCATENATE = 43, PUSH_BYTE = 72, PUSH_LONG = 73,
                    PUSH_0_STRING = 74, PUSH_16_STRING = 87, PUSH_8_STRING = 88, PUSH_SHORT = 100, RELEASE = 107,
                    CONTEXT = 158, SET_WIN_ATTR = 196, CONSTANT_0 = 222;
  std::vector<stacked> stack;
  const ident_info* window = nullptr;
  size_t at = 0;
  auto operand = [&](size_t n) {
    if (length - at < n) return false;
    at += n;
    return true;
  };
  while (at < length) {
    uint8_t op = code[at++];
    if (op >= CONSTANT_0) {
      stack.push_back(NUMBER);
      continue;
    }
    switch (op) {
      case PUSH_BYTE:
      case PUSH_SHORT:
      case PUSH_LONG:
        if (!operand(op == PUSH_BYTE ? 1 : op == PUSH_SHORT ? 2 : 4)) return false;
        stack.push_back(NUMBER);
        break;
      case PUSH_0_STRING: stack.push_back(STRING); break;
      case PUSH_8_STRING:
        if (!operand(1) || !operand(code[at - 1])) return false;
        stack.push_back(STRING);
        break;
      case PUSH_16_STRING:
        if (!operand(2) || !operand(size_t(code[at - 2]) << 8 | code[at - 1])) return false;
        stack.push_back(STRING);
        break;
      case CONCATENATE:
        if (stack.size() < 2 || stack.back() != STRING || stack[stack.size() - 2] != STRING) return false;
        stack.pop_back();
        break;
      case SET_WIN_ATTR: {
        ident_info* target = code_reference(code, length, &at, window);
        if (target == nullptr || !is_window_kind(target->kind) || at >= length) return false;
        uint8_t attribute = code[at++];
        if (attribute != 89 && attribute != 90 && attribute != 61 && attribute != 62) return false;
        if (stack.size() != 1 || stack[0] != NUMBER) return false;
        stack.clear();
        break;
      }
      case CONTEXT: {
        ident_info* target = code_reference(code, length, &at, nullptr);
        if (target == nullptr || !is_window_kind(target->kind) || target - globals() < long(N_PREDEFINED) ||
            !stack.empty())
          return false;
        window = target;
        break;
      }
      case ASSIGN_SCALAR: {
        ident_info* target = code_reference(code, length, &at, window);
        if (!resource_variable(target, false) || stack.size() != 1 || stack[0] != kind_pushed(target)) return false;
        stack.clear();
        break;
      }
      case ASSIGN_ARRAY: {
        ident_info* target = code_reference(code, length, &at, window);
        if (!resource_variable(target, true)) return false;
        for (stacked s : stack)
          if (s != kind_pushed(target)) return false;
        stack.clear();
        break;
      }
      case RELEASE: return at == length && stack.empty();
      default: return false;
    }
  }
  return false;
}
