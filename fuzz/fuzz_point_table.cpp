// Any bytes must read as a point table or be refused without crashing; a
// table that was read keeps every address within its 7-byte buffer, and once
// its rows are in, exporting and importing again is a fixed point: what the
// canvas's "导出" writes, its "导入" reads back as the same addressing.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/Profile.h"
#include "scene/PointTable.h"

namespace {

using velmora::CSpring;
using velmora::PointTableRow;
using velmora::Scene;
using velmora::SpringAddressing;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "point table: %s\n", what);
    std::abort();
}

Scene SmallScene() {
    Scene scene;
    for (std::int32_t i = 0; i < 8; ++i) {
        CSpring spring;
        spring.ID = 9001 + i;
        scene.springs.push_back(spring);
    }
    // Every spring in one group, two of them in a second one too.
    velmora::CSpringGroup all;
    all.name = "全部";
    for (const CSpring& spring : scene.springs) {
        all.children[static_cast<std::size_t>(all.childCount++)] = spring.ID;
    }
    velmora::CSpringGroup some;
    some.name = "前排";
    some.children[0] = 9003;
    some.children[1] = 9005;
    some.childCount = 2;
    scene.groups = {all, some};
    scene.Reindex();
    return scene;
}

void Apply(Scene& scene, const std::vector<PointTableRow>& rows) {
    for (const PointTableRow& row : rows) {
        if (row.position >= scene.springs.size() || scene.springs[row.position].ID != row.ID) {
            Fail("a row names the wrong spring");
        }
        // 7 bytes of UTF-8, or of GB18030, whose 2-byte characters take 3 in UTF-8.
        for (const std::string* text : {&row.COMID, &row.COMID1, &row.COMID2, &row.COMID3}) {
            if (text->size() > 7 * 3 / 2) Fail("address beyond its buffer");
        }
        row.Over(SpringAddressing::Of(scene.springs[row.position])).StoreIn(scene.springs[row.position]);
    }
}

bool Same(const Scene& a, const Scene& b) {
    for (std::size_t i = 0; i < a.springs.size(); ++i) {
        SpringAddressing p = SpringAddressing::Of(a.springs[i]);
        SpringAddressing q = SpringAddressing::Of(b.springs[i]);
        if (velmora::FormatFloat(p.ORGANGLEY) != velmora::FormatFloat(q.ORGANGLEY)) return false;
        p.ORGANGLEY = q.ORGANGLEY = 0.0f;
        if (p != q) return false;
    }
    return true;
}

Scene RoundTrip(const Scene& scene) {
    Scene copy = scene;
    copy.Reindex();
    std::vector<PointTableRow> rows;
    std::string error;
    if (!velmora::ReadPointTable(velmora::WritePointTable(copy), copy, rows, &error)) {
        Fail("an exported table was refused");
    }
    Apply(copy, rows);
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Scene scene = SmallScene();
    std::vector<PointTableRow> rows;
    std::string error;
    const bool read = velmora::ReadPointTable(std::string_view(reinterpret_cast<const char*>(data), size), scene,
                                              rows, &error);
    if (!read) {
        if (!rows.empty() || error.empty()) Fail("a refused table left rows or no message");
        return 0;
    }
    Apply(scene, rows);
    const Scene once = RoundTrip(scene);
    const Scene twice = RoundTrip(once);
    if (!Same(once, twice)) Fail("export and import again changed the addressing");
    return 0;
}
