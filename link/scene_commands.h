// The handlers of the application commands that build the 3D scene:
// segments, entities, geometry, facet trees, drawing attributes, materials
// and the scene graph.
#pragma once

#include <cstdint>

void cmd_segment_open();             // SO
void cmd_segment_end_and_open();     // SE
void cmd_segment_close();            // SC
void cmd_segment_flush();            // SF
void cmd_segment_kill();             // SK
void cmd_segment_visibility();       // SV
void cmd_selection_type();           // ST
void cmd_highlight_segment();        // HS
void cmd_entity();                   // CE
void cmd_level_name();               // CL
void cmd_entity_states();            // CF
void cmd_entity_face();              // UE
void cmd_level_of_detail();          // UM
void cmd_selectability();            // CP
void cmd_move();                     // LF
void cmd_line();                     // LG
void cmd_marker();                   // LH
void cmd_text();                     // LT
void cmd_markers();                  // UD
void cmd_colored_lines();            // LC
void cmd_vector();                   // BV
void cmd_colored_facet_tree();       // UC
void cmd_normal_facet_tree();        // UT
void cmd_update_facet_tree();        // UF
void cmd_texture_parameters();       // UP
void cmd_facet_size();               // FS
void cmd_fast_lod();                 // FL
void cmd_clip_planes();              // EC
void cmd_polygon_offset();           // PO
void cmd_shade_model();              // CG
void cmd_line_color();               // ML
void cmd_marker_color();             // MI
void cmd_text_color();               // MT
void cmd_line_style();               // MV
void cmd_line_weight();              // MW
void cmd_hidden_line();              // MZ
void cmd_marker_symbol();            // MM
void cmd_marker_size();              // MS
void cmd_text_size();                // TS
void cmd_material();                 // TO
void cmd_define_material();          // CM
void cmd_delete_material();          // CD
void cmd_open_node();                // NO
void cmd_close_node();               // NC
void cmd_prepare_node();             // NP
void cmd_remove_node();              // NR
void cmd_node_visibility();          // NV

