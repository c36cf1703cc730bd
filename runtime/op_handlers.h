// The handlers of the opcode table, by the module that holds them; only the
// interpreter's tables refer to them by name.
#pragma once

#include "runtime/interpreter.h"

#define QOB_OP(name) const uint8_t* name(ident_info* context, const uint8_t* pc)

// interpreter.cpp: constants and jumps.
QOB_OP(if_op);
QOB_OP(jump_op);
QOB_OP(release_op);
QOB_OP(push_byte_op);
QOB_OP(push_short_op);
QOB_OP(push_long_op);
QOB_OP(push_0_string_op);
QOB_OP(push_8_string_op);
QOB_OP(push_16_string_op);
QOB_OP(push_picture_op);

// expression_ops.cpp
QOB_OP(add_integer_op);
QOB_OP(sub_integer_op);
QOB_OP(mul_integer_op);
QOB_OP(div_integer_op);
QOB_OP(mod_op);
QOB_OP(add_real_op);
QOB_OP(sub_real_op);
QOB_OP(mul_real_op);
QOB_OP(div_real_op);
QOB_OP(power_op);
QOB_OP(add_angle_op);
QOB_OP(sub_angle_op);
QOB_OP(mul_angle_real_op);
QOB_OP(mul_real_angle_op);
QOB_OP(div_angle_real_op);
QOB_OP(div_angle_op);
QOB_OP(abs_op);
QOB_OP(sin_op);
QOB_OP(arcsin_op);
QOB_OP(ln_op);
QOB_OP(sqrt_op);
QOB_OP(not_op);
QOB_OP(and_op);
QOB_OP(or_op);
QOB_OP(bit_and_op);
QOB_OP(bit_or_op);
QOB_OP(bit_xor_op);
QOB_OP(shl_op);
QOB_OP(shr_op);
QOB_OP(eq_op);
QOB_OP(ne_op);
QOB_OP(lt_op);
QOB_OP(le_op);
QOB_OP(gt_op);
QOB_OP(ge_op);
QOB_OP(max_op);
QOB_OP(min_op);
QOB_OP(real_op);
QOB_OP(integer_op);
QOB_OP(angle_op);
QOB_OP(character_op);
QOB_OP(string_op);
QOB_OP(length_op);
QOB_OP(concatenate_strings_op);
QOB_OP(index_op);
QOB_OP(substring_op);
QOB_OP(check_bounds_op);
QOB_OP(check_extended_bounds_op);
QOB_OP(check_ranges_op);
QOB_OP(mark_stack_op);
QOB_OP(push_len_op);
QOB_OP(dup_op);
QOB_OP(stack_size_op);
QOB_OP(stack_element_op);
QOB_OP(stack_slice_op);

// variables.cpp
QOB_OP(push_var_op);
QOB_OP(assign_scalar_op);
QOB_OP(push_array_op);
QOB_OP(push_array_element_op);
QOB_OP(push_array_slice_op);
QOB_OP(assign_array_element_op);
QOB_OP(assign_array_op);
QOB_OP(address_op);
QOB_OP(value_op);
QOB_OP(reset_local_variables_op);

// procedures.cpp
QOB_OP(procedure_op);
QOB_OP(procedure_return_op);
QOB_OP(return_op);
QOB_OP(when_changed_op);
QOB_OP(end_when_op);

// run_time_errors.cpp
QOB_OP(debug_op);
QOB_OP(exit_op);

// application_values.cpp
QOB_OP(report_tek_op);
QOB_OP(report_ascii_op);
QOB_OP(event_code_op);
QOB_OP(read_application_value_op);

// file_streams.cpp
QOB_OP(open_op);
QOB_OP(close_op);
QOB_OP(set_stream_op);
QOB_OP(write_op);
QOB_OP(check_stream_op);
QOB_OP(read_op);

// process_ops.cpp
QOB_OP(start_process_op);
QOB_OP(send_signal_op);
QOB_OP(display_stderr_op);
QOB_OP(beep_op);
QOB_OP(connect_op);
QOB_OP(disconnect_op);
QOB_OP(interface_builder_op);

// view_ops.cpp
QOB_OP(vpn_op);
QOB_OP(vup_op);
QOB_OP(zoom_op);
QOB_OP(focus_op);
QOB_OP(cursor_op);
QOB_OP(rotate_op);
QOB_OP(zoom_x_op);
QOB_OP(zoom_y_op);
QOB_OP(translate_op);
QOB_OP(projection_op);
QOB_OP(eye_position_op);
QOB_OP(mirror_display_op);
QOB_OP(viewport_size_x_op);
QOB_OP(viewport_size_y_op);
QOB_OP(rotate_reflection_op);
QOB_OP(viewport_origin_x_op);
QOB_OP(viewport_origin_y_op);
QOB_OP(set_graph_attr_op);
QOB_OP(change_graph_attr_op);
QOB_OP(view_number_op);
QOB_OP(screen_size_op);
QOB_OP(bounding_cuboid_op);
QOB_OP(model_to_tek_op);
QOB_OP(screen_to_tek_op);
QOB_OP(tek_to_3d_op);
QOB_OP(create_view_dependency_op);
QOB_OP(delete_view_dependency_op);
QOB_OP(set_depth_of_field_op);
QOB_OP(set_stereo_attributes_op);
QOB_OP(set_transformation_op);

// graphics_input_ops.cpp
QOB_OP(screen_input_op);
QOB_OP(abort_graphics_input_op);
QOB_OP(drag_box_op);
QOB_OP(select_geometry_op);
QOB_OP(display_button_box_op);

#undef QOB_OP
