"""The command schema: the 104 commands of kvc.kbn, each with its argument
list. The position of an argument in its command's list is the argument id
that compiled instructions carry.

Kinds: 0 number, 1 string, 2 raw expression code. Check classes: see the
argument loader (0 = no check). Arguments that carry a program counter, or
that their command evaluates itself, are raw with class 0.
"""

NUMBER, STRING, RAW = 0, 1, 2

# command number -> (name, [(argument name, kind, class), ...]) in id order.
_C = {}


def _cmd(number, name, *args):
    _C[number] = (name, [tuple(a) for a in args])


def _n(name, cls=0):
    return (name, NUMBER, cls)


def _s(name):
    return (name, STRING, 0)


def _r(name):
    return (name, RAW, 0)


def _generic(count, prefix="arg"):
    return [_n("%s%d" % (prefix, i)) for i in range(count)]


_PARAMS = ([_n("int%d" % k) for k in range(1, 11)] +
           [_r("float%d" % k) for k in range(1, 11)] +
           [_s("str%d" % k) for k in range(1, 11)])

# --- commands of the script engine ----------------------------------------------
_cmd(9, "noop_9")
_cmd(11, "elseif", _r("condition"), _r("next"))
_cmd(12, "end", _n("restart"))
_cmd(20, "float", _r("variable"), _r("value"))
_cmd(28, "goto", _r("label"))
_cmd(29, "gosub", _s("label"), *_PARAMS)
_cmd(30, "if", _r("condition"), _r("next"), _r("end"))
_cmd(31, "else")
_cmd(32, "break", _n("levels"))
_cmd(33, "continue", _n("levels"))
_cmd(34, "endif")
_cmd(36, "int", _r("variable"), _r("value"))
_cmd(37, "noop_37")
_cmd(38, "label_exists", _s("label"), _n("result"), _n("flag"))
_cmd(39, "assign", _r("target"), _r("value"))
_cmd(41, "loop", _n("count"), _r("end"))
_cmd(42, "loop_break", _n("levels"))
_cmd(43, "loop_continue", _n("levels"))
_cmd(44, "endloop")
_cmd(60, "noop_60")
_cmd(62, "return", _n("reserved"), *_PARAMS)
_cmd(63, "noop_63")
_cmd(65, "noop_65")
_cmd(66, "noop_66")
_cmd(67, "noop_67")
_cmd(75, "string", _r("variable"), _r("value"))
_cmd(87, "wait", _n("frames"), _n("ms"))

# --- every other command ------------------------------------------------------------
def _ids(number, name, count, names=None, strings=(), raws=()):
    """A command whose arguments are mostly numbers: count ids, some named,
    the ids in strings are text, those in raws are evaluated by the command."""
    names = names or {}
    args = []
    for i in range(count):
        kind = STRING if i in strings else RAW if i in raws else NUMBER
        args.append((names.get(i, "arg%d" % i), kind, 0))
    _cmd(number, name, *args)


_ANY = 40   # commands that only load their arguments take any ids below this

_ids(0, "args_only_0", _ANY)
_ids(1, "layer_setup", 39, {0: "path", 1: "visible", 2: "opacity", 3: "x", 4: "y", 5: "order",
                      6: "width", 7: "height", 14: "value_a", 15: "value_b", 16: "value_c",
                      17: "value_d", 18: "value_e", 19: "value_f", 20: "value_g",
                      21: "texture1", 22: "texture2", 23: "value_h", 24: "colour", 25: "byte",
                      26: "name2", 27: "value_i", 28: "resample", 29: "image",
                      30: "share", 31: "mask", 33: "rule", 34: "rule_mask", 35: "softness",
                      36: "blend", 38: "user"}, strings=(0, 26, 29, 30, 31, 34))
_ids(2, "layer_image_op", 63, {0: "a", 1: "b", 2: "c", 3: "d", 5: "value1", 6: "value2", 7: "text"},
     strings=(0, 1, 2, 3, 7), raws=(5, 6))
_ids(3, "delete_object", 1, {0: "path"}, strings=(0,))
_ids(4, "get_object_property", 23, {0: "path", 1: "exists", 2: "visible", 3: "opacity",
                                    4: "get_x", 5: "get_y", 6: "order", 8: "rule", 9: "rule_mask",
                                    10: "softness", 11: "blend", 12: "width", 13: "height",
                                    14: "colour_under", 15: "alpha_under", 16: "pixel_under",
                                    17: "colour_at", 18: "bounds", 19: "user", 20: "result",
                                    21: "x", 22: "y"}, strings=(0,))
_ids(5, "copy_to_clipboard", 2, {0: "flag", 1: "text"}, strings=(1,))
_ids(6, "paste_from_clipboard", 2, {0: "flag", 1: "variable"})
_ids(7, "args_only_7", _ANY)
_ids(8, "load_text_table", 4, {0: "file", 1: "count_mode", 2: "load_mode", 3: "variable"}, strings=(0,))
_ids(10, "message_box", 20, {0: "caption", 1: "text", 9: "initial", 10: "input", 11: "result",
                             13: "ok_cancel", 14: "yes_no", 15: "yes_no_cancel", 16: "input_dialog",
                             17: "max_length", 18: "default_button", 19: "icon"}, strings=(0, 1, 9))
_ids(13, "set_switches", 106)
_ids(14, "args_only_14", _ANY)
_ids(15, "file_utility", 16, {0: "a", 1: "b", 2: "folder", 3: "make_folders", 4: "copy", 5: "delete",
                              6: "open", 7: "open_wait", 8: "parameters", 9: "quality", 10: "layer",
                              11: "bmp", 12: "png", 13: "jpeg", 14: "cache_image", 15: "cache_sound"},
     strings=(0, 1, 2, 8, 10))
_ids(16, "find_file", 8, {0: "folder", 1: "file", 2: "image", 3: "sound", 4: "exists", 5: "size",
                          6: "program", 7: "result"}, strings=(0, 1, 2, 3))
_ids(17, "flash_play", 7, {0: "file", 1: "play", 2: "x", 3: "y", 4: "width", 5: "height", 6: "user"},
     strings=(0,))
_ids(18, "flash_close", 0)
_ids(19, "flash_query", 10, {9: "result"})
_ids(21, "set_text_style", 12, {0: "slot", 1: "font", 2: "face", 3: "smooth", 4: "colour",
                                5: "colour2", 6: "gradient", 7: "rotation", 8: "blend_over",
                                9: "size", 10: "height", 11: "bold"}, strings=(2,))
_ids(22, "get_text_info", 19, {0: "font", 17: "char", 18: "result"}, strings=(17,))
_ids(23, "set_frame_timing", 2, {0: "fps", 1: "skip"})
_ids(35, "set_input_switches", 3, {0: "keyboard", 1: "joystick", 2: "mouse"})
_ids(40, "load_slot", 4, {0: "file", 1: "slot", 2: "variable", 3: "layer"}, strings=(0, 3))
_ids(46, "math", 22, {0: "result", 1: "x", 2: "y", 3: "text"}, strings=(3,), raws=(1, 2))
_ids(47, "camera_calc", 2, {0: "p", 1: "q"})
_ids(48, "menu_set", 7, {0: "path", 1: "text", 2: "order", 3: "shown", 4: "enabled", 5: "checked",
                         6: "command"}, strings=(0, 1))
_ids(49, "menu_popup", 2, {0: "path", 1: "show"}, strings=(0,))
_ids(50, "menu_delete", 1, {0: "path"}, strings=(0,))
_ids(51, "menu_query", 9, {0: "result", 1: "path"}, strings=(1,))
_ids(52, "args_only_52", _ANY)
_ids(53, "args_only_53", _ANY)
_ids(54, "args_only_54", _ANY)
_ids(55, "cursor", 11, {0: "mode", 1: "autohide", 2: "on_move", 3: "on_buttons", 4: "on_wheel",
                        5: "x", 6: "y", 7: "system", 8: "hot_x", 9: "hot_y", 10: "layer"},
     strings=(10,))
_ids(56, "movie_play", 7, {0: "file", 1: "play", 2: "x", 3: "y", 4: "width", 5: "height", 6: "volume"},
     strings=(0,))
_ids(57, "movie_stop", 0)
_ids(58, "movie_info", 8, {6: "kind_of", 7: "result"}, strings=(6,))
_ids(59, "args_only_59", _ANY)
_ids(61, "reg_read", 3, {0: "key", 1: "value", 2: "variable"}, strings=(0, 1))
_ids(64, "text_end", 0)
_ids(69, "save_slot", 4, {0: "file", 1: "slot", 2: "variable", 3: "layer"}, strings=(0, 3))
_ids(70, "save_cache_reset", 0)
_ids(71, "args_only_71", _ANY)
_ids(72, "sound_control", 13, {0: "path", 1: "enable", 2: "file", 3: "play", 4: "pause", 5: "ramp",
                       6: "start", 7: "loop", 8: "end", 9: "count", 10: "volume", 11: "pan",
                       12: "pitch"}, strings=(0, 2))
_ids(73, "sound_delete", 1, {0: "path"}, strings=(0,))
_ids(74, "sound_info", 24, {0: "path", 1: "loaded", 2: "enabled", 3: "playing", 4: "paused",
                     5: "volume", 6: "pan", 7: "pitch", 8: "file", 9: "format", 10: "start",
                     11: "loop", 12: "end", 13: "count", 14: "passes", 15: "position",
                     16: "length", 17: "channels", 18: "bits", 19: "rate", 20: "level1",
                     21: "level2", 22: "decoder", 23: "result"}, strings=(0,))
_ids(76, "screen_setup", 8, {0: "no_saver", 1: "run_inactive", 2: "width", 3: "height"})
_ids(77, "script_list_query", 5, {0: "name", 1: "count", 2: "value", 3: "index", 4: "result"})
_ids(78, "task_start", 38, {0: "path", 1: "enable1", 2: "enable2", 3: "order", 34: "label",
                            35: "state", 37: "pass"}, strings=(0, 34, 35))
_ids(79, "task_end", 1, {0: "path"}, strings=(0,))
_ids(80, "task_query", 20, {0: "path", 1: "result"}, strings=(0,))
_ids(81, "message_window_setup", 20, {0: "layer", 1: "display", 10: "delay"}, strings=(0,))
_ids(82, "get_message_state", 8, {0: "result"})
_ids(83, "tray_icon", 4, {0: "show", 1: "tip", 2: "icon", 3: "menu"}, strings=(1, 2, 3))
_ids(84, "args_only_84", _ANY)
_ids(85, "var_ops", 16, {0: "source", 1: "dest", 2: "delete", 3: "extract", 4: "start", 5: "length",
                         6: "convert", 13: "resize", 14: "insert", 15: "remove"})
_ids(86, "var_info", 19, {0: "source", 1: "dest", 15: "int", 16: "float", 17: "text", 18: "start"},
     strings=(17,))
_ids(88, "window_setup", 26, {0: "window", 1: "title", 2: "opacity", 3: "show", 4: "x", 5: "y", 6: "z",
                        7: "width", 8: "height", 21: "root", 22: "menu", 23: "region", 24: "drag"},
     strings=(1, 21, 22, 23, 24))
_ids(89, "window_hide", 1, {0: "window"})
_ids(90, "window_info", 18, {0: "window", 1: "result"})
_ids(91, "text_append", 1, {0: "text"}, strings=(0,))
_ids(92, "jpeg_frames_load", 3, {0: "layer", 1: "file", 2: "frame"}, strings=(0, 1))
_ids(93, "jpeg_frames_free", 0)
_ids(94, "jpeg_frames_info", 5, {0: "result"})
_ids(95, "format_value", 1, {0: "value"}, raws=(0,))
for _num in range(104):
    if _num not in _C:
        _cmd(_num, "undefined_%d" % _num)

COUNT = 104


def command(number):
    """(name, args) of a command number."""
    return _C[number]


def number_of(name):
    for num, (n, _) in _C.items():
        if n == name:
            return num
    raise KeyError("unknown command %r" % name)


def arg_id(number, name):
    """The argument id of a named argument (or a decimal id as it stands)."""
    if name.isdigit():
        return int(name)
    for i, a in enumerate(_C[number][1]):
        if a[0] == name:
            return i
    raise KeyError("command %s has no argument %r" % (_C[number][0], name))


def arg_kind(number, arg):
    args = _C[number][1]
    return args[arg][1] if arg < len(args) else NUMBER
