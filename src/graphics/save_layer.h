// Image records of save files: the layer side of the save code's hooks.
#pragma once

// Fills g_save_layer_hooks (script/save.h) at start-up.
void save_layer_hooks_install(void);
