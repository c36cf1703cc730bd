// The user interface of the loaded YARL program: its preset and clean-up.
#pragma once

void preset_user_interface(const char* yarl_error_e_mail, bool quiet, bool trace,
                           const char* site_resource, const char* private_resource,
                           const char* local_resource);
void cleanup_user_interface();
