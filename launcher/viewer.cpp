// viewer: starts the user-interface server on a model file with the compiled
// YARL binary of the viewer application for the chosen language.
#include "launcher/viewer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/launcher_services.h"

namespace {

const char* const usage_text =
    "\nVorq Viewer v1.0.2 - starts the viewer on a model file\n\n"
    "Usage: viewer [-ul german|english|french] [-g WIDTHxHEIGHT] filename    \n\n"
    "       -ul  ... User interface language\n"
    "       -g   ... Set display size to Width x Height mm\n"
    "                with range [300 ... 65000] x [225 ... 45000]\n\n";

// Exit statuses besides 0.
constexpr int error_status = -1;
constexpr int no_temporary_path = -99;

struct launch_settings {
  std::string language = "english";
  std::string mode = "production";
  bool test_layout = false;
  bool verbose = false;
  std::string display_size;  // the "-g" value; empty when not given
  std::string server;        // the "-um" value; empty when not given
  std::string model;
};

// Shows the error box; false, so that the caller ends with the error status.
bool fail(const std::string& message, const std::string& word, const char* usage) {
  show_message(message + "\n" + word + "\n\n" + usage, true);
  return false;
}

// Takes the arguments in order; an option lacking its value is an unknown word.
// False once an error box has been shown.
bool parse_arguments(int argc, char** argv, launch_settings* s) {
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    bool has_value = i + 1 < argc;
    if (word == "-ul" && has_value) {
      s->language = argv[++i];
      if (s->language != "english" && s->language != "german" && s->language != "french")
        return fail("Invalid parameter for argument -ul:", s->language, usage_text);
    } else if (word == "-g" && has_value) {
      s->display_size = argv[++i];
    } else if (word == "-v") {
      s->verbose = true;
    } else if (word == "-um" && has_value) {
      s->server = argv[++i];
      if (!file_exists(s->server)) return fail("Cannot find QOBS:", s->server, "");
    } else if (word == "-option_test") {
      s->mode = "test";
      s->test_layout = true;
    } else if (word == "-test") {
    } else if (word.empty() || word[0] == '-' || !s->model.empty()) {
      return fail("Invalid argument:", word, usage_text);
    } else {
      s->model = word;
    }
  }
  return true;
}

// The first of the search places that holds the compiled YARL binary.
bool find_yarl_binary(const launch_settings& s, const std::string& directory, std::string* found) {
  std::string name = "Viewer_" + s.language + "_" + s.mode + ".b";
  std::vector<std::string> places = {"../gui/" + name, directory + "/../gui/" + name};
  if (const char* home = getenv("ENV_HOME"))
    places.push_back(std::string(home) + (s.test_layout ? "/../gui/" : "/../plix/gui/") + name);
  if (const char* acn = getenv("PLIX_ACN"))
    places.push_back(std::string(acn) + (s.test_layout ? "/../gui/" : "/gui/") + name);
  for (const std::string& place : places) {
    if (file_exists(place)) {
      *found = place;
      return true;
    }
  }
  return false;
}

}  // namespace

int viewer_main(int argc, char** argv) {
  std::string directory = launcher_directory(argc > 0 ? argv[0] : "");
  launch_settings s;
  if (!parse_arguments(argc, argv, &s)) return error_status;

  if (s.model.empty()) {
    switch (open_file_dialog(&s.model)) {
      case dialog_result::chosen:
        break;
      case dialog_result::cancelled:
        return error_status;
      case dialog_result::failed:
        show_message("Could not open file.", true);
        show_message(usage_text, true);
        return error_status;
    }
  }

  if (s.server.empty()) {
    std::string beside = directory + "/" + server_program_name;
    s.server = file_exists(beside) ? beside : server_program_name;
  }

  std::string yarl_binary;
  if (!find_yarl_binary(s, directory, &yarl_binary)) {
    show_message("\nCannot find yarl binary!\n\n", true);
    return error_status;
  }

  std::string temporary, log_prefix;
  if (!temporary_directory(&temporary, &log_prefix)) return no_temporary_path;

  std::string size_option = s.display_size.empty() ? "" : "-g " + s.display_size + " ";
  std::string command_line = "\"" + s.server + "\" -q " + size_option + "-e \"\" -m \"\" -C \"" +
                             temporary + "\" -u \"" + yarl_binary + "\" -F \"" + s.model + "\"";
  std::vector<std::string> server_argv = {s.server, "-q"};
  if (!s.display_size.empty()) server_argv.insert(server_argv.end(), {"-g", s.display_size});
  server_argv.insert(server_argv.end(),
                     {"-e", "", "-m", "", "-C", temporary, "-u", yarl_binary, "-F", s.model});

  if (s.verbose) show_message("Execute:\n\n" + command_line + "\n\n", false);
  int result = start_server(server_argv, command_line, log_prefix + "vorqviewer.log");
  if (s.verbose) show_message("Process return code:\n\n" + std::to_string(result) + "\n\n", false);
  return result;
}
