#include "runtime/qob.h"

#include <unistd.h>  // getopt

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/graphics_input.h"
#include "link/connect.h"
#include "link/gin.h"
#include "link/process_input_trace.h"
#include "link/si.h"
#include "link/tek_parser.h"
#include "platform/files.h"
#include "platform/hardware_id.h"
#include "platform/posix_services.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "runtime/run_time_errors.h"
#include "runtime/tables.h"
#include "runtime/user_interface.h"
#include "runtime/variables.h"
#include "scene/display_options.h"
#include "scene/segment_store.h"
#include "toolkit/ui_app_context.h"
#include "view/graphics_window.h"
#include "view/views.h"

const char* prog_name = "qob";
UIAppContext* AppContext;

// Where reports go when no -e or -m option names a command.
static const char* const QOBS_DEVELOPERS = "qobs-development@localhost";
static const char* const YARL_DEVELOPERS = "yarl-development@localhost";

static bool dump;
static char* qobs_error_e_mail;
static bool initialized;
static char* background_rgb;
static int binfid;
static bool display_repaint_time;
static bool dual_head;
static char* dual_head_display;
static char* private_resource;
static char* local_resource;
static bool quiet;
static char* site_resource;
static bool trace;
static char* yarl_error_e_mail;
static uint32_t display_width, display_height;
static uint16_t mirrox_port;
static char* input_trace_file_name;
static char* output_trace_file_name;
static char* options[26];

static void set_string(char** setting, const char* argument) {
  if (*setting != nullptr) CheckedFree(*setting);
  *setting = dup_chars(argument);
}

static void free_string(char** setting) {
  if (*setting != nullptr) CheckedFree(*setting);
  *setting = nullptr;
}

static void process_geometry(const char* argument, bool* error) {
  unsigned long width = 0, height = 0;
  if (sscanf(argument, "%lux%lu", &width, &height) < 2) {
    fputs("Incorrect geometry (WIDTHxHEIGHT) given.\n", stderr);
    *error = true;
  } else if (width < 300 || width > 65000) {
    fputs("Display width out of range [300, 65000].\n", stderr);
    *error = true;
  } else if (height < 225 || height > 45000) {
    fputs("Display height out of range [225, 45000].\n", stderr);
    *error = true;
  } else {
    display_width = uint32_t(width);
    display_height = uint32_t(height);
  }
}

static void process_port(const char* argument, bool* error) {
  int port = atoi(argument);
  if (port > 1024 && port < 65536) {
    mirrox_port = uint16_t(port);
  } else {
    fprintf(stderr, "Mirrox port number (%d) must be 1024 < port number < 65536.\n", port);
    *error = true;
  }
}

static void open_binary(const char* path, bool* error) {
  int fd = -1;
  if (find_file("", path, ".b", &fd)) {
    *error = true;
    return;
  }
  if (binfid != 0) close_descriptor(binfid);
  binfid = fd;
}

void process_option(bool from_environment, char letter, const char* argument, bool* error) {
  // Letters that take no argument.
  switch (letter) {
    case 'd': dump = true; return;
    case 'q': quiet = true; return;
    case 'r': display_repaint_time = true; return;
    case 't': trace = true; return;
    default: break;
  }
  static const char takes_argument[] = "begilmopsuy2";
  bool known = (letter >= 'A' && letter <= 'Z') || (letter != 0 && strchr(takes_argument, letter));
  if (!known) {
    if (from_environment) fprintf(stderr, "Unknown environment option 'QOB_%c'.\n", letter);
    *error = true;
    return;
  }
  if (argument == nullptr) {
    *error = true;
    return;
  }
  if (letter >= 'A' && letter <= 'Z') {
    set_string(&options[letter - 'A'], argument);
    return;
  }
  switch (letter) {
    case 'b': set_string(&background_rgb, argument); break;
    case 'e': set_string(&yarl_error_e_mail, argument); break;
    case 'g': process_geometry(argument, error); break;
    case 'i': set_string(&input_trace_file_name, argument); break;
    case 'l': set_string(&local_resource, argument); break;
    case 'm': set_string(&qobs_error_e_mail, argument); break;
    case 'o': set_string(&output_trace_file_name, argument); break;
    case 'p': set_string(&private_resource, argument); break;
    case 's': set_string(&site_resource, argument); break;
    case 'u': open_binary(argument, error); break;
    case 'y': process_port(argument, error); break;
    case '2':
      set_string(&dual_head_display, argument);
      dual_head = true;
      break;
  }
}

static bool ends_with(const char* name, const char* extension) {
  size_t n = strlen(name), e = strlen(extension);
  return n >= e && strcmp(name + n - e, extension) == 0;
}

bool find_file(const char* directory, const char* name, const char* extension, int* fd) {
  size_t size = strlen(directory) + strlen(name) + strlen(extension) + 1;
  char* path = static_cast<char*>(CheckedMalloc(size));
  bool has_extension = ends_with(name, extension);
  const char* formats[4][3] = {
      {"", name, ""},
      {"", name, extension},
      {directory, name, ""},
      {directory, name, extension},
  };
  int first_error = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if ((attempt == 1 || attempt == 3) && has_extension) continue;
    snprintf(path, size, "%s%s%s", formats[attempt][0], formats[attempt][1], formats[attempt][2]);
    *fd = open_file(path, FILE_READ);
    if (*fd >= 0) {
      CheckedFree(path);
      return false;
    }
    if (attempt == 0) first_error = errno;
  }
  CheckedFree(path);
  fprintf(stderr, "Cannot open '%s' - %s.\n", name, strerror(first_error));
  return true;
}

static void process_environment(char** envp, bool* error) {
  for (char** entry = envp; entry != nullptr && *entry != nullptr; ++entry) {
    const char* text = *entry;
    if (strncmp(text, "QOB_", 4) != 0) continue;
    if (text[4] != '\0' && text[5] == '=') {
      process_option(true, text[4], text + 6, error);
    } else {
      fprintf(stderr, "Syntax error in QOB environment option '%s'.\n", text);
      *error = true;
    }
  }
}

static void process_command_line(int argc, char** argv, bool* error) {
  // '+' stops at the first word that is not an option; ':' keeps a missing
  // argument from being taken as an unknown letter.
  static const char letters[] =
      "+b:de:g:i:l:m:o:p:qrs:tu:y:2:A:B:C:D:E:F:G:H:I:J:K:L:M:N:O:P:Q:R:S:T:U:V:W:X:Y:Z:";
  optind = 1;
  for (;;) {
    optarg = nullptr;
    int letter = getopt(argc, argv, letters);
    if (letter == -1) break;
    process_option(false, char(letter), optarg, error);
  }
}

static void seed_predefined_variables() {
  for (int letter = 0; letter < 26; ++letter) {
    char* text = options[letter] != nullptr ? options[letter] : dup_chars("");
    options[letter] = nullptr;  // the variable owns it now
    put_predef_string(14 + letter, text);
  }
  uint32_t high, low;
  get_hardware_id(&high, &low);
  put_predef(109, 1);
  put_predef(100, dual_head);
  put_predef(88, 'o');  // the degree mark
  put_predef(102, 13);  // the partner connection's initial state
  put_predef(111, 1);   // the current view
  put_predef(93, 0);
  put_predef(94, 0xFFFFC8);
  put_predef(96, 1);
  put_predef(95, 5);
  put_predef(84, int32_t(high));
  put_predef(85, int32_t(low));
  time_t now = time(nullptr);
  tm today;
  localtime_r(&now, &today);
  put_predef(86, (today.tm_year + 1900) * 10000 + (today.tm_mon + 1) * 100 + today.tm_mday);
}

// The subsystem presets, in their fixed order: graphics window and views,
// command parser, partner listening socket (only with -y), system interface,
// graphics input with the output trace, user interface, input trace replay.
static void preset_subsystems() {
  preset_window();
  init_segment_structure();
  preset_tek_parser();
  if (mirrox_port != 0) preset_connect(mirrox_port);
  preset_system_interface();
  preset_graphics_input(output_trace_file_name);
  free_string(&output_trace_file_name);
  preset_user_interface(yarl_error_e_mail, quiet, trace, site_resource, private_resource,
                        local_resource);
  preset_input_trace(input_trace_file_name);
  free_string(&input_trace_file_name);
}

// The subsystem clean-ups, in their fixed order: partner connection, segment
// store, command parser, views, user interface, graphics input, system
// interface, input trace, graphics window.
static void cleanup_subsystems() {
  cleanup_connect();
  cleanup_ldf();
  cleanup_highlight_options();
  cleanup_tek_parser();
  cleanup_vl();
  cleanup_user_interface();
  cleanup_graphics_input();
  cleanup_system_interface();
  cleanup_input_trace();
  cleanup_window();
}

void set_initialized() { initialized = true; }

void halt(const char* message) {
  // Only a failed stop describes the last system error; a normal end has none.
  if (message != nullptr && errno != 0)
    fprintf(stderr, "\nLast system error code = %d = \"%s\".\n", errno, strerror(errno));
  kill_all_subprocesses();
  if (message != nullptr) {
    close_output_trace();
    fprintf(stderr, "qob terminated - %s.\n", message);
    exit(1);
  }
  if (!initialized) return;
  cleanup_subsystems();
  free_string(&yarl_error_e_mail);
  free_string(&site_resource);
  free_string(&private_resource);
  free_string(&local_resource);
  free_string(&dual_head_display);
  delete AppContext;
  AppContext = nullptr;
  long balance = long(GetMallocBalance()) - (qobs_error_e_mail != nullptr ? 1 : 0);
  if (balance != 0) {
    fprintf(stderr, "Malloc balance is %lu.\n", static_cast<unsigned long>(balance));
    internal_error(455, "qob");
  }
}

bool get_display_repaint_time() { return display_repaint_time; }
bool dump_option() { return dump; }
const char* error_mail_command() { return qobs_error_e_mail; }

void catch_error_signal(int signal_number) { internal_error(signal_number, nullptr); }

static void install_error_signal_handlers() {
  static const int error_signals[] = {4, 8, 9990, 11, 9991};
  for (int sig : error_signals) signal_wrapper(sig, catch_error_signal);
}

static char* mail_command_to(const char* address) {
  char command[128];
  snprintf(command, sizeof command, "/usr/bin/mail %s", address);
  return dup_chars(command);
}

static const char* program_name() { return prog_name; }

int qob(int argc, char** argv, char** envp) {
  prog_name = argc > 0 ? argv[0] : "qob";
  set_internal_error_hooks({program_name, error_details, dump_option, error_mail_command});
  InitMallocBalance();
  preset_posix_services();
  puts("\nQOB version 11.1596 2003/08/06.");
  fflush(stdout);

  bool error = false;
  process_environment(envp, &error);
  process_command_line(argc, argv, &error);
  if (binfid == 0) {
    binfid = open_file("yar.b", FILE_READ);
    if (binfid < 0) {
      fprintf(stderr, "Cannot open 'yar.b' - %s.\n", strerror(errno));
      binfid = 0;
      error = true;
    }
  }
  if (optind != argc) {
    fputs("Argument error.\n", stderr);
    error = true;
  }
  if (error) {
    fputs("Usage:\n", stderr);
    fprintf(stderr,
            "%s [-b string] [-d] [-e string] [-g geometry] [-i path] [-l path] [-m cmd] [-o path] "
            "[-p path] [-q] [-r] [-s path] [-t] [-u path] [-y port_no] [-2 display] [-A string] "
            "[-B string] ... [-Z string]\n",
            prog_name);
    exit(2);
  }

  AppContext = new UIAppContext(dual_head, dual_head_display, background_rgb, display_width,
                               display_height, 10, 11);
  errno = 0;  // left behind by the X and GL libraries; no call of ours failed
  free_string(&background_rgb);
  if (yarl_error_e_mail == nullptr) yarl_error_e_mail = mail_command_to(YARL_DEVELOPERS);
  if (qobs_error_e_mail == nullptr) qobs_error_e_mail = mail_command_to(QOBS_DEVELOPERS);
  if (!dump) install_error_signal_handlers();

  read_tables(binfid);
  close_descriptor(binfid);
  binfid = 0;
  seed_predefined_variables();
  preset_subsystems();

  set_initialized();
  process_tektronix_commands();
}
