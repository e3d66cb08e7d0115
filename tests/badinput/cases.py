"""The bad-input table: every case is a dict with
  name     unique name, also a filter for run.py
  args     panelhost's arguments ({dir}: the case's folder)
  files    {relative name: text, bytes, None for a folder, or FIFO for a named pipe}
  exit     1 (failed), 2 (usage), or 0 where the simulator passes the line over and
           the host says so in a note
  message  a regular expression the standard error must match: it names the place
           (FILE:LINE, or the option) and what was wrong."""
import os

CASES = []
FIFO = object()  # a named pipe in files: reading it would wait for a writer forever


def case(name, args, exit, message, files=None):
    CASES.append({"name": name, "args": args, "exit": exit, "message": message, "files": files or {}})


PANEL = "{dir}/panel.cfg"
OUT = "{dir}/out.png"
P = r"\{dir\}/panel\.cfg"
S = r"\{dir\}/s\.scn"

GOOD_WINDOW = "[Window00]\nsize_mm=300,200\nvisible=1\nident=MAIN_PANEL\n"
GOOD_GAUGE = "gauge00=Tarvolen_Instr!Old_COM1, 10, 10, 250\n"
GOOD_PANEL = "[Window Titles]\nwindow00=Main\n\n" + GOOD_WINDOW + GOOD_GAUGE


def render(name, text, exit, message, extra=None):
    files = {"panel.cfg": text}
    case("render_" + name, ["render", PANEL, "-o", OUT] + (extra or []), exit, message, files)


# --- the command line itself -----------------------------------------------------------
case("cli_no_command", [], 2, r"command|usage|help")
case("cli_unknown_command", ["fly"], 2, r"fly")
case("cli_unknown_option", ["render", "--wings", PANEL, "-o", OUT], 2, r"--wings", {"panel.cfg": GOOD_PANEL})
case("cli_module_without_path", ["gauges", "--module"], 2, r"--module")
case("cli_module_missing", ["gauges", "--module", "{dir}/none.so"], 1, r"\{dir\}/none\.so")
case("cli_module_folder", ["gauges", "--module", "{dir}/lib"], 1, r"\{dir\}/lib", {"lib": None})
case("cli_module_not_a_library", ["gauges", "--module", "{dir}/x.so"], 1, r"\{dir\}/x\.so", {"x.so": b"\x7fELF junk"})
case("cli_module_text_file", ["dump", "{dir}/x.gau"], 1, r"\{dir\}/x\.gau", {"x.gau": "MZ but not really"})
case("cli_dump_two_modules", ["dump", "a", "b"], 2, r"dump|argument|b")
case("cli_run_no_scenario", ["run"], 2, r"run|SCENARIO|scenario")
case("cli_run_two_scenarios", ["run", "{dir}/a.scn", "{dir}/b.scn"], 2, r"b\.scn|argument",
     {"a.scn": "frame\n", "b.scn": "frame\n"})
case("cli_run_out_without_folder", ["run", "{dir}/a.scn", "--out"], 2, r"--out", {"a.scn": "frame\n"})
case("cli_render_no_panel", ["render", "-o", OUT], 2, r"panel|PANEL")
case("cli_render_no_output", ["render", PANEL], 2, r"-o", {"panel.cfg": GOOD_PANEL})
case("cli_render_two_panels", ["render", PANEL, PANEL, "-o", OUT], 2, r"panel|argument", {"panel.cfg": GOOD_PANEL})
case("cli_render_o_without_file", ["render", PANEL, "-o"], 2, r"-o", {"panel.cfg": GOOD_PANEL})

# Numbers of every option: one grammar (decimal or 0x hex), range-checked, the option named.
for value, tag in [("x", "letters"), ("", "empty"), ("1.5", "fraction"), ("-1", "negative"), ("0", "zero"),
                   ("2e6", "exponent_two_million"), ("100000000", "hundred_million"), ("0x", "bare_hex"),
                   ("0xZZ", "bad_hex"), ("99999999999999999999999", "huge"), ("nan", "nan"), ("inf", "inf"),
                   ("1 2", "two_numbers"), ("--night", "option_as_value")]:
    case("cli_frames_" + tag, ["render", PANEL, "--frames", value, "-o", OUT], 2, r"--frames",
         {"panel.cfg": GOOD_PANEL})
for value, tag in [("23", "no_equals"), ("=5", "no_token"), ("23=", "no_value"), ("23=x", "value_letters"),
                   ("23=1e400", "value_overflow"), ("23=nan", "value_nan"), ("99999=1", "unknown_token"),
                   ("no_such_var=1", "unknown_name"), ("-5=1", "negative_token"), ("0x=1", "bare_hex_token"),
                   ("4294967296=1", "token_too_big"), ("23=0x", "bare_hex_value"), ("23==1", "two_equals"),
                   ("22=1e308", "card_angle_huge"), ("854=-1e308", "course_card_huge"),
                   ("61=1e300", "airspeed_huge"), ("23=-1", "bcd_negative"),
                   ("23=99999999999", "bcd_too_big")]:
    case("cli_set_" + tag, ["render", PANEL, "--set", value, "-o", OUT], 2, r"--set", {"panel.cfg": GOOD_PANEL})
for value, tag in [("Old_COM1", "no_at"), ("@1,2", "no_gauge"), ("Old_COM1@", "no_point"), ("Old_COM1@1", "no_y"),
                   ("Old_COM1@x,2", "x_letters"), ("Old_COM1@1,y", "y_letters"), ("Old_COM1@1.5,2", "x_fraction"),
                   ("Old_COM1@99999999999,1", "x_huge"), ("Old_COM1@1,2,3", "three_numbers"),
]:
    case("cli_click_" + tag, ["render", PANEL, "--click", value, "-o", OUT], 2, r"--click",
         {"panel.cfg": GOOD_PANEL})
# A placement number that no placement has reads as a gauge the panel lacks.
for value, tag in [("Old_COM1#0@1,2", "placement_zero"), ("Old_COM1#x@1,2", "placement_letters")]:
    case("click_" + tag, ["render", PANEL, "--click", value, "-o", OUT], 1, r"--click.*no gauge",
         {"panel.cfg": GOOD_PANEL})
# Well-formed clicks that the panel cannot answer: the run fails, naming the click.
case("click_unknown_gauge", ["render", PANEL, "--click", "Old_NAV1@20,20", "-o", OUT], 1, r"--click.*Old_NAV1",
     {"panel.cfg": GOOD_PANEL})
case("click_second_placement_missing", ["render", PANEL, "--click", "Old_COM1#2@20,20", "-o", OUT], 1,
     r"--click.*Old_COM1#2", {"panel.cfg": GOOD_PANEL})
case("click_hits_nothing", ["render", PANEL, "--click", "Old_COM1@0,0", "-o", OUT], 1, r"--click.*Old_COM1",
     {"panel.cfg": GOOD_PANEL})
case("click_outside_face", ["render", PANEL, "--click", "Old_COM1@5000,5000", "-o", OUT], 1, r"--click",
     {"panel.cfg": GOOD_PANEL})
case("click_negative_point", ["render", PANEL, "--click", "Old_COM1@-5,-5", "-o", OUT], 1, r"--click",
     {"panel.cfg": GOOD_PANEL})
case("click_in_closed_window", ["render", PANEL, "--click", "Old_COM1@20,105", "-o", OUT], 1,
     r"--click.*(closed|not open)",
     {"panel.cfg": "[Window00]\nsize_mm=300,200\nvisible=0\nident=RADIO_STACK_PANEL\n" + GOOD_GAUGE})

# --- the panel file as a file ----------------------------------------------------------
case("panel_missing", ["render", "{dir}/none.cfg", "-o", OUT], 1, r"\{dir\}/none\.cfg")
case("panel_is_folder", ["render", PANEL, "-o", OUT], 1, P, {"panel.cfg": None})
render("empty", "", 1, P)
render("only_blanks", " \n\t\n\r\n", 1, P)
render("only_comments", "// nothing here\n; nor here\n", 1, P)
render("binary_zeros", b"\0" * 4096, 1, P)
render("binary_random", bytes((i * 7919 + 13) % 256 for i in range(8192)), 1, P)
render("binary_elf", b"\x7fELF\x02\x01\x01" + bytes(range(256)) * 4, 1, P)
render("png_as_panel", b"\x89PNG\r\n\x1a\n" + bytes(200), 1, P)
render("utf16_le", ("\ufeff" + GOOD_PANEL).encode("utf-16-le"), 1, P)
render("utf16_be", ("\ufeff" + GOOD_PANEL).encode("utf-16-be"), 1, P)
render("nul_in_section_name", b"[Window\x0000]\nsize_mm=10,10\n", 1, P)
render("nul_in_gauge_name", b"[Window00]\nsize_mm=300,200\ngauge00=Tarvolen_Instr!Old_C\0OM1, 1, 1, 100\n", 1,
       P + r":3:")
render("megabyte_line", "[Window00]\nsize_mm=300,200\n" + "x" * (1 << 20) + "\n", 1, P + r":3:")
render("megabyte_key", "[Window00]\nsize_mm=300,200\n" + "k" * (1 << 20) + "=1\n", 1, P + r":3:")
render("megabyte_section", "[" + "W" * (1 << 20) + "]\n", 1, P + r":1:")
render("megabyte_gauge_line", "[Window00]\nsize_mm=300,200\ngauge00=Tarvolen_Instr!" + "Z" * (1 << 20) + ", 1, 1\n",
       1, P + r":3:")
render("no_windows_only_titles", "[Window Titles]\nwindow00=Main\n", 1, P)
render("vcockpit_only", "[Vcockpit01]\nsize_mm=512,512\ngauge00=Tarvolen_Instr!Old_COM1, 0, 0, 100\n", 1, P)
render("views_only", "[VIEWS]\nVIEWS_forward_windows=0\n[Default View]\nX=0\n", 1, P)

# --- panel lines -----------------------------------------------------------------------
W = "[Window00]\nsize_mm=300,200\n"
render("section_unclosed", "[Window00\nsize_mm=300,200\n", 1, P + r":1:")
render("section_empty_name", "[]\nsize_mm=300,200\n", 1, P + r":1:")
render("window_negative_number", "[Window-1]\nsize_mm=300,200\n" + GOOD_GAUGE, 1, P + r":1:")
render("window_number_letters", "[WindowXY]\nsize_mm=300,200\n" + GOOD_GAUGE, 1, P + r":1:")
render("window_number_huge", "[Window99999999999999]\nsize_mm=300,200\n" + GOOD_GAUGE, 1, P + r":1:")
render("window_twice", W + GOOD_GAUGE + W, 0, P + r":4: note:")
render("gauge_before_any_section", GOOD_GAUGE + W, 0, P + r":1: note:")
render("gauge_in_titles", "[Window Titles]\n" + GOOD_GAUGE + W, 1, P + r":2:")
render("gauge_without_number", W + "gauge=Tarvolen_Instr!Old_COM1, 1, 1, 100\n", 0, P + r":3: note:")
render("gauge_number_letters", W + "gaugeAB=Tarvolen_Instr!Old_COM1, 1, 1, 100\n", 0, P + r":3: note:")
render("gauge_twice", W + GOOD_GAUGE + GOOD_GAUGE, 0, P + r":4: note:")
render("gauge_no_bang", W + "gauge00=Old_COM1, 1, 1, 100\n", 1, P + r":3:")
render("gauge_no_name", W + "gauge00=Tarvolen_Instr!, 1, 1, 100\n", 1, P + r":3:")
render("gauge_no_module", W + "gauge00=!Old_COM1, 1, 1, 100\n", 1, P + r":3:")
render("gauge_no_fields", W + "gauge00=Tarvolen_Instr!Old_COM1\n", 1, P + r":3:")
render("gauge_only_x", W + "gauge00=Tarvolen_Instr!Old_COM1, 1\n", 1, P + r":3:")
render("gauge_empty_value", W + "gauge00=\n", 1, P + r":3:")
render("gauge_unknown_name", W + "gauge00=Tarvolen_Instr!Old_COM9, 1, 1, 100\n", 1, P + r":3:.*Old_COM9")
render("gauge_name_wrong_case", W + "gauge00=Tarvolen_Instr!old_com1, 1, 1, 100\n", 1, P + r":3:.*old_com1")
render("gauge_name_trailing_junk", W + "gauge00=Tarvolen_Instr!Old_COM1x, 1, 1, 100\n", 1, P + r":3:")
for field, line in [("x", "gauge00=Tarvolen_Instr!Old_COM1, a, 1, 100"),
                    ("y", "gauge00=Tarvolen_Instr!Old_COM1, 1, b, 100"),
                    ("w", "gauge00=Tarvolen_Instr!Old_COM1, 1, 1, c"),
                    ("h", "gauge00=Tarvolen_Instr!Old_COM1, 1, 1, 100, d")]:
    render("gauge_%s_letters" % field, W + line + "\n", 1, P + r":3:")
for field, line in [("x", "gauge00=Tarvolen_Instr!Old_COM1, 2147483647, 1, 100"),
                    ("y", "gauge00=Tarvolen_Instr!Old_COM1, 1, 2147483647, 100"),
                    ("w", "gauge00=Tarvolen_Instr!Old_COM1, 1, 1, 2147483647"),
                    ("h", "gauge00=Tarvolen_Instr!Old_COM1, 1, 1, 100, 2147483647"),
                    ("x_overflow", "gauge00=Tarvolen_Instr!Old_COM1, 99999999999999999999, 1, 100"),
                    ("w_overflow", "gauge00=Tarvolen_Instr!Old_COM1, 1, 1, 99999999999999999999")]:
    render("gauge_%s_huge" % field, "[Window00]\nvisible=1\n" + line + "\n", 1, P + r":\d+:")
for field, line in [("w", "gauge00=Tarvolen_Instr!Old_COM1, 1, 1, -100"),
                    ("h", "gauge00=Tarvolen_Instr!Old_COM1, 1, 1, 100, -5"),
                    ("x_min", "gauge00=Tarvolen_Instr!Old_COM1, -2147483648, 1, 100")]:
    render("gauge_%s_negative" % field, W + line + "\n", 1, P + r":3:")
# A gauge a little off its window's left or top edge is drawn cut off, as the simulator
# draws it (check reports it).
for field, line in [("x", "gauge00=Tarvolen_Instr!Old_COM1, -1, 1, 100"),
                    ("y", "gauge00=Tarvolen_Instr!Old_COM1, 1, -1, 100")]:
    render("gauge_%s_negative" % field, W + line + "\n", 0, r"wrote")
    case("check_gauge_%s_negative" % field, ["check", PANEL], 1, P + r":3:.*outside", {"panel.cfg": W + line + "\n"})
for value, tag in [("x", "letters"), ("300,y", "height_letters"), ("2147483647,10", "width_huge"),
                   ("10,2147483647", "height_huge"), ("-300,200", "negative"), ("300,200,100", "three_values"),
                   ("99999999999999999999,1", "overflow"), ("0,0", "zero"), ("300,", "trailing_comma"),
                   (",200", "leading_comma")]:
    render("size_mm_" + tag, "[Window00]\nsize_mm=%s\n" % value + GOOD_GAUGE, 1, P + r":2:")
for key, value in [("position", "9"), ("position", "-1"), ("position", "x"), ("position", "99999999999"),
                   ("visible", "2"), ("visible", "yes"), ("visible", ""), ("window_pos", "x,y"),
                   ("window_pos", "1e999,0"), ("window_pos", "nan,0"), ("window_size", "a"),
                   ("window_size", "0.5,b"), ("window_size", "-1,-1"), ("window_size", "inf,1"),
                   ("ident", ""), ("ident", "-99999999999999"), ("ident", "99999999999999"),
                   ("zorder", "x"), ("pixel_size", "x,y")]:
    tag = "%s_%s" % (key, "".join(c if c.isalnum() else "_" for c in value) or "empty")
    render("key_" + tag, W + "%s=%s\n" % (key, value) + GOOD_GAUGE, 1, P + r":3:.*" + key)
for value in ["1,2", "999,0,0"]:
    render("key_background_color_" + value.replace(",", "_"), W + "background_color=%s\n" % value + GOOD_GAUGE, 0,
           P + r":3: note: background_color")
render("key_without_equals", W + "size_mm\n", 0, P + r":3: note:")
render("key_empty", W + "=5\n", 0, P + r":3: note:")
# Lines ended by a lone CR (old Mac editors) are lines: the panel is drawn.
render("cr_only_endings", GOOD_PANEL.replace("\n", "\r"), 0, r"out\.png: note: wrote \d+ x \d+ pixels, 1 window")
render("cr_cr_lf_endings", "[Window00]\r\r\nsize_mm=300,200\r\r\n", 0, r"out\.png: note: wrote \d+ x \d+ pixels, 1 window")

# --- background bitmaps ----------------------------------------------------------------
def bmp(width, height, bits=8, lie=None, size=None):
    import struct
    row = ((width * bits + 31) // 32) * 4
    palette = 256 * 4 if bits == 8 else 0
    pixels = row * abs(height)
    offset = 14 + 40 + palette
    header = struct.pack("<2sIHHI", b"BM", size if size is not None else offset + pixels, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, pixels, 2835, 2835, 0, 0)
    body = bytes(palette) + bytes(pixels)
    data = header + info + body
    if lie == "truncated":
        data = data[: len(data) // 2]
    elif lie == "offset":
        data = data[:10] + struct.pack("<I", 0x7FFFFFF0) + data[14:]
    return data


for tag, data in [("truncated", bmp(64, 64, lie="truncated")), ("offset_past_end", bmp(64, 64, lie="offset")),
                  ("huge_width", bmp(64, 64)[:18] + (0x7FFFFFFF).to_bytes(4, "little") + bmp(64, 64)[22:]),
                  ("zero_size", bmp(0, 0)), ("text", b"not a bitmap"),
                  ("empty", b"")]:
    # Drawing goes on without a broken background (a note); the checker reports it.
    case("bitmap_" + tag, ["check", PANEL], 1, r"back\.bmp",
         {"panel.cfg": "[Window00]\nsize_mm=300,200\nfile=back.bmp\n" + GOOD_GAUGE, "back.bmp": data})

# --- outputs ---------------------------------------------------------------------------
case("out_folder_missing", ["render", PANEL, "-o", "{dir}/no/such/out.png"], 1, r"\{dir\}/no/such/out\.png",
     {"panel.cfg": GOOD_PANEL})
case("out_is_folder", ["render", PANEL, "-o", "{dir}/o"], 1, r"\{dir\}/o", {"panel.cfg": GOOD_PANEL, "o": None})
case("out_under_a_file", ["render", PANEL, "-o", "{dir}/f.txt/out.png"], 1, r"\{dir\}/f\.txt/out\.png",
     {"panel.cfg": GOOD_PANEL, "f.txt": "a file, not a folder"})
case("out_dev_full", ["render", PANEL, "-o", "/dev/full"], 1, r"/dev/full", {"panel.cfg": GOOD_PANEL})
case("run_out_missing_folder", ["run", "{dir}/s.scn", "--out", "{dir}/nowhere"], 1, r"nowhere",
     {"s.scn": "place Old_COM1\nframe\nrender a.png\n"})
case("run_out_under_a_file", ["run", "{dir}/s.scn", "--out", "{dir}/f.txt"], 1, r"f\.txt",
     {"s.scn": "place Old_COM1\nframe\nrender a.png\n", "f.txt": "a file"})


# --- scenarios -------------------------------------------------------------------------
def scenario(name, text, message, exit=1):
    case("scn_" + name, ["run", "{dir}/s.scn"], exit, message, {"s.scn": text,
                                                                 "panel.cfg": GOOD_PANEL})


case("scn_missing", ["run", "{dir}/none.scn"], 1, r"\{dir\}/none\.scn")
case("scn_folder", ["run", "{dir}/s.scn"], 1, S, {"s.scn": None})
scenario("binary", bytes((i * 31 + 7) % 256 for i in range(4096)), S + r":\d+:")
scenario("unknown_command", "fly away\n", S + r":1:.*fly")
scenario("megabyte_line", "frame\n" + "x" * (1 << 20) + "\n", S + r":2:")
for text, tag in [("place\n", "place_no_gauge"), ("place Old_COM9\n", "place_unknown_gauge"),
                  ("place Old_COM1 window\n", "place_window_no_ident"),
                  ("place Old_COM1 window x\n", "place_window_letters"),
                  ("place Old_COM1 window 99999999999\n", "place_window_huge"),
                  ("place Old_COM1 junk\n", "place_junk"),
                  ("set\n", "set_nothing"), ("set 23\n", "set_no_value"), ("set 99999 1\n", "set_unknown_token"),
                  ("set 23 x\n", "set_value_letters"), ("set 23 1e400\n", "set_value_overflow"),
                  ("set x 1\n", "set_token_letters"), ("set 23 1 2\n", "set_three"),
                  ("event\n", "event_nothing"), ("event 99999\n", "event_unknown"),
                  ("event x\n", "event_letters"), ("event 65637 x\n", "event_value_letters"),
                  ("event 65637 1 2\n", "event_three"), ("event -1\n", "event_negative"),
                  ("frame x\n", "frame_letters"), ("frame -1\n", "frame_negative"),
                  ("frame 1000000000\n", "frame_billion"), ("frame 2e6\n", "frame_exponent"),
                  ("frame 1 2\n", "frame_two"),
                  ("click\n", "click_nothing"), ("click Old_COM1\n", "click_unplaced"),
                  ("place Old_COM1\nclick Old_COM1 x 1\n", "click_letters"),
                  ("place Old_COM1\nclick Old_COM1 0 0\n", "click_nothing_hit"),
                  ("place Old_COM1\nclick Old_COM1#2 20 105\n", "click_second_missing"),
                  ("place Old_COM1\nclick Old_COM1 99999999999 1\n", "click_huge"),
                  ("remove\n", "remove_nothing"), ("remove Old_COM1\n", "remove_unplaced"),
                  ("expect\n", "expect_nothing"), ("expect var 23\n", "expect_var_short"),
                  ("expect var 23 5\n", "expect_var_wrong"), ("expect var x 5\n", "expect_var_letters"),
                  ("expect window 50\n", "expect_window_short"), ("expect window 50 ajar\n", "expect_window_ajar"),
                  ("expect window 50 open\n", "expect_window_wrong"), ("expect sky blue\n", "expect_unknown"),
                  ("sleep\n", "sleep_nothing"), ("sleep -1\n", "sleep_negative"), ("sleep 600000\n", "sleep_long"),
                  ("sleep x\n", "sleep_letters"),
                  ("panel\n", "panel_nothing"), ("panel none.cfg\n", "panel_missing"),
                  ("panel a.cfg b.cfg\n", "panel_two"),
                  ("render\n", "render_nothing"), ("render a.png day\n", "render_day"),
                  ("render a.png night extra\n", "render_three")]:
    lines = text.count("\n")
    scenario(tag, text, S + r":%d:" % lines)
scenario("panel_bad_file", "panel bad.cfg\n", r"bad\.cfg:1:")
CASES[-1]["files"]["bad.cfg"] = "[Window00\n"
scenario("panel_folder", "panel sub\n", S + r":1:|sub")
CASES[-1]["files"]["sub"] = None
scenario("frames_total_limit", "frame 900000\nframe 900000\n", S + r":2:")

# --- parameter strings, through the checker: every byte, and 100,000 bytes ---------------
for byte in list(range(1, 32)) + [127, 128, 160, 255]:
    text = b"[Window00]\nsize_mm=300,200\nident=MAIN_PANEL\ngauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 38,, t" + \
        bytes([byte]) * 3 + b"\n"
    if byte in (10, 13):
        continue
    case("check_param_byte_%d" % byte, ["check", PANEL], 1, P + r":4:", {"panel.cfg": text})
case("check_param_100k", ["check", PANEL], 1, P + r":4:",
     {"panel.cfg": "[Window00]\nsize_mm=300,200\nident=MAIN_PANEL\n"
                   "gauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 38,, t" + "Q" * 100000 + "\n"})
case("check_plate_100k", ["check", PANEL], 1, P + r":4:",
     {"panel.cfg": "[Window00]\nsize_mm=300,200\nident=MAIN_PANEL\n"
                   "gauge00=Tarvolen_Instr!Registration, 1, 1, 290,, t" + "D" * 100000 + " r999\n"})

# --- special files: refused by kind before they are read, never waited on ----------------
EXAMPLE_PANEL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "panel.cfg")
KIND_FIFO = r"is a FIFO \(named pipe\), not a "
case("special_module_fifo", ["gauges", "--module", "{dir}/m.so"], 1, r"\{dir\}/m\.so: " + KIND_FIFO + "gauge module",
     {"m.so": FIFO})
case("special_dump_module_fifo", ["dump", "{dir}/m.gau"], 1, r"\{dir\}/m\.gau: " + KIND_FIFO, {"m.gau": FIFO})
case("special_module_device", ["gauges", "--module", "/dev/zero"], 1, r"/dev/zero: is a character device")
case("special_run_scenario_fifo", ["run", "{dir}/s.scn"], 1, S + ": " + KIND_FIFO + "scenario", {"s.scn": FIFO})
case("special_render_panel_fifo", ["render", PANEL, "-o", OUT], 1, P + ": " + KIND_FIFO + "panel configuration",
     {"panel.cfg": FIFO})
case("special_check_panel_fifo", ["check", PANEL], 1, P + ": " + KIND_FIFO, {"panel.cfg": FIFO})
scenario("special_panel_line_fifo", "panel p.cfg\n", r"p\.cfg: " + KIND_FIFO)
CASES[-1]["files"]["p.cfg"] = FIFO
case("special_serve_scenario_fifo", ["serve", PANEL, "--scenario", "{dir}/s.scn", "--port", "0"], 1,
     S + ": " + KIND_FIFO + "scenario", {"s.scn": FIFO, "panel.cfg": GOOD_PANEL})
case("special_serve_scenario_folder", ["serve", PANEL, "--scenario", "{dir}/s.scn", "--port", "0"], 1,
     S + ": is a folder, not a scenario file", {"s.scn": None, "panel.cfg": GOOD_PANEL})
case("special_module_mz_cut_short", ["dump", "{dir}/x.gau"], 1, r"\{dir\}/x\.gau: .*PE header is cut short",
     {"x.gau": b"MZ" + bytes(58) + b"\x40\x00\x00\x00"})
scenario("expect_var_unknown_token", "place Old_COM1\nframe\nexpect var 99999 0\n",
         S + r":3: unknown variable token 99999")
case("record_pictures_over_the_memory_bound",
     ["run", "{dir}/s.scn", "--record", "{dir}/x.webm", "--scale", "8", "--windows", "all"], 2,
     r"x\.webm: the pictures would be \d+ x \d+ pixels: .* more than the 1024 MB a recording may use",
     {"s.scn": "panel " + EXAMPLE_PANEL + "\nframe 20\n"})
