// Start-up pieces of the object trees that belong to the payload owners
// (layers, tasks, sounds, menus). Until those subsystems provide them, the
// stand-ins in payload_standins.cpp allocate zero-filled records.
#pragma once

#include "core/tree.h"

// Zero-filled payload of a tree root (KV_TREE_*).
void *alloc_root_payload(int tree);
// Layer tree: sizes the root's record and creates folder "W0" as window 0's root layer.
int create_layer_tree_top(TreeNode *layer_root);
// Task tree: the zero-filled root record, and the main task "SYSTEM" (main-task flag 1).
void *alloc_task_root_payload();
ScriptTask *attach_main_task_payload(TreeNode *node);
// Sound tree: names the "ROOT" record " " (WAV) and posts it to the sound ring.
int start_sound_root(SoundRecord *record);
