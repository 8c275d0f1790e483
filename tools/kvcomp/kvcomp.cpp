// Stand-in for the script compiler of a development run, for tests. The
// engine starts it as "system\RODaz\RODaz.exe kv" from its own folder; it
// follows the engine's hand-over (shell/compiler_link.h): it opens block 1,
// announces its files, sets ready, waits for the acknowledge, fills block 2
// and ends.
//
// What it does is read from rodaz.cfg beside it, one key=value a line:
//   mode=serve   the files under dir (default), names relative to dir with
//                '\' separators ("kvbin\kvcfg.kbn")
//   mode=exit    ends at once without setting ready
//   mode=raw     block 2 is the bytes of the file raw=PATH as they are
//   dir=PATH     count=N  size=N (announced; default: the records' size)
//   result=N     the result byte (default 1)
//   folder=PATH  written into block 1's folder field
//   fill=N       with folder: N bytes of 'x', no terminator in the field
// Every start appends its arguments to rodaz_args.txt beside it, and the
// version and folder it found in block 1 to rodaz_seen.txt.
// Exit code 0, 1 when the engine's blocks cannot be opened, 2 when no
// acknowledge came within 30 s or the engine ended without one (a stand-in
// left waiting would hold block 1, and the next engine would find it taken).
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string g_folder;   // this program's folder, ends in '\'

std::string own_folder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of("\\/") + 1);
}

std::map<std::string, std::string> read_config()
{
    std::map<std::string, std::string> cfg;
    FILE *f = std::fopen((g_folder + "rodaz.cfg").c_str(), "rb");
    if (!f)
        return cfg;
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.pop_back();
        size_t eq = s.find('=');
        if (eq != std::string::npos)
            cfg[s.substr(0, eq)] = s.substr(eq + 1);
    }
    std::fclose(f);
    return cfg;
}

void append_line(const char *file, const std::string &text)
{
    FILE *f = std::fopen((g_folder + file).c_str(), "ab");
    if (f) {
        std::fprintf(f, "%s\n", text.c_str());
        std::fclose(f);
    }
}

void put_u32(std::vector<uint8_t> &b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back((uint8_t)(v >> (8 * i)));
}

void add_record(std::vector<uint8_t> &b, const std::string &name, const std::vector<uint8_t> &data)
{
    put_u32(b, (uint32_t)name.size() + 1);
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    put_u32(b, (uint32_t)data.size());
    b.insert(b.end(), data.begin(), data.end());
}

std::vector<uint8_t> read_file(const std::string &path)
{
    std::vector<uint8_t> data;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return data;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.insert(data.end(), buf, buf + n);
    std::fclose(f);
    return data;
}

// Every file under root\rel, as records; returns the number of files.
int serve_folder(const std::string &root, const std::string &rel, std::vector<uint8_t> &b)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + rel + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += serve_folder(root, rel + name + "\\", b);
        else {
            add_record(b, rel + name, read_file(root + rel + name));
            count++;
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return count;
}

uint8_t *open_block(const char *name, DWORD size, HANDLE *map)
{
    *map = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (!*map)
        return nullptr;
    return (uint8_t *)MapViewOfFile(*map, FILE_MAP_ALL_ACCESS, 0, 0, size);
}

uint32_t peek_u32(const uint8_t *p)
{
    const volatile uint8_t *v = p;
    return v[0] | (uint32_t)v[1] << 8 | (uint32_t)v[2] << 16 | (uint32_t)v[3] << 24;
}

void poke_u32(uint8_t *p, uint32_t value)
{
    volatile uint8_t *v = p;
    for (int i = 0; i < 4; i++)
        v[i] = (uint8_t)(value >> (8 * i));
}

// The process that started this one (the engine), opened for waiting on it;
// null when it cannot be found.
HANDLE open_parent()
{
    DWORD self = GetCurrentProcessId(), parent = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return nullptr;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        if (pe.th32ProcessID == self)
            parent = pe.th32ParentProcessID;
    CloseHandle(snap);
    return parent ? OpenProcess(SYNCHRONIZE, FALSE, parent) : nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    g_folder = own_folder();
    std::string args;
    for (int i = 1; i < argc; i++)
        args += (i > 1 ? " " : "") + std::string(argv[i]);
    append_line("rodaz_args.txt", args);
    std::map<std::string, std::string> cfg = read_config();
    std::string mode = cfg.count("mode") ? cfg["mode"] : "serve";
    if (mode == "exit")
        return 0;

    HANDLE map1;
    uint8_t *block1 = open_block("KAVRENCompilerFileMapObject", 512, &map1);
    if (!block1)
        return 1;
    append_line("rodaz_seen.txt", std::to_string(peek_u32(block1 + 128)) + " " +
                                      std::string((const char *)block1 + 132));

    std::vector<uint8_t> records;
    long long count = 0;
    if (mode == "raw") {
        records = read_file(cfg["raw"]);
    } else if (cfg.count("dir")) {
        std::string dir = cfg["dir"];
        if (!dir.empty() && dir.back() != '\\')
            dir += '\\';
        count = serve_folder(dir, "", records);
    }
    if (cfg.count("count"))
        count = std::stoll(cfg["count"]);
    long long size = cfg.count("size") ? std::stoll(cfg["size"]) : (long long)records.size();

    block1[12] = (uint8_t)(cfg.count("result") ? std::stoi(cfg["result"]) : 1);
    poke_u32(block1 + 16, (uint32_t)count);
    poke_u32(block1 + 20, (uint32_t)size);
    if (cfg.count("folder"))
        std::snprintf((char *)block1 + 132, 380, "%s", cfg["folder"].c_str());
    if (cfg.count("fill"))
        std::memset(block1 + 132, 'x', 380);
    HANDLE engine = open_parent();
    poke_u32(block1, 1);

    for (int i = 0; peek_u32(block1 + 4) != 1; i++) {
        if (i >= 3000)
            return 2;
        if (!engine)
            Sleep(10);
        else if (WaitForSingleObject(engine, 10) == WAIT_OBJECT_0)
            return 2;
    }
    DWORD mapped = size == 0 ? 16 : (DWORD)size;
    HANDLE map2;
    uint8_t *block2 = open_block("KAVRENCompilerFileMapObject2", mapped, &map2);
    if (!block2)
        return 1;
    std::memcpy(block2, records.data(), records.size() < mapped ? records.size() : mapped);
    UnmapViewOfFile(block2);
    CloseHandle(map2);
    UnmapViewOfFile(block1);
    CloseHandle(map1);
    return 0;
}
