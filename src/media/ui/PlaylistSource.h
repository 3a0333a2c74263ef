#pragma once
// What the playlist view needs of a list: the rows to draw and the input to
// forward. The music list and the program-control list keep their own logic
// (selection, drag, start); the view only maps the mouse onto it.
//
// Thread contract: UI thread, like the lists themselves.

#include <functional>
#include <string>
#include <utility>

namespace velmora {

class PlaylistSource {
public:
    virtual ~PlaylistSource() = default;

    virtual int Count() const = 0;
    virtual const std::string& Name(int row) const = 0;
    virtual const std::string& Path(int row) const = 0;
    virtual bool Selected(int row) const = 0;
    // The entry last started from this list, -1 when none.
    virtual int Current() const = 0;
    // Whether the entry's file can be found where a start would look.
    virtual bool Findable(const std::string& path) const = 0;

    // Button down, moves and button up at content y (client y + scroll position).
    virtual void Press(int contentY, bool ctrl) = 0;
    // True when an entry moved one place.
    virtual bool Move(int contentY) = 0;
    // The row being dragged, -1 when none.
    virtual int DragRow() const = 0;
    virtual void Release() = 0;
    // Starts the row the way a double-click does.
    virtual void DoubleClick(int row) = 0;

    // True once after the list changed in a way the picture must show
    // (a step of the transport, the engine's end of entry).
    virtual bool TakeLayoutDirty() = 0;
};

// The adaptor over CMusicList and CProgramList, which share these members.
template <class List>
class CoreListSource final : public PlaylistSource {
public:
    using Finder = std::function<bool(const std::string& path)>;

    CoreListSource(List& list, Finder findable) : list_(list), findable_(std::move(findable)) {}

    int Count() const override { return static_cast<int>(list_.m_list.size()); }
    const std::string& Name(int row) const override { return Entry(row).name; }
    const std::string& Path(int row) const override { return Entry(row).path; }
    bool Selected(int row) const override { return Entry(row).selected != 0; }
    int Current() const override { return list_.m_nCurrent; }
    bool Findable(const std::string& path) const override { return !findable_ || findable_(path); }

    void Press(int contentY, bool ctrl) override { list_.Press(contentY, ctrl); }
    bool Move(int contentY) override {
        const auto before = list_.m_nDragRow;
        list_.Move(contentY);
        return list_.m_nDragRow != before;
    }
    int DragRow() const override { return list_.m_nDragRow; }
    void Release() override { list_.Release(); }
    void DoubleClick(int row) override { list_.DoubleClick(row); }

    bool TakeLayoutDirty() override { return std::exchange(list_.m_bLayoutDirty, false); }

    List& list() { return list_; }

private:
    const auto& Entry(int row) const { return list_.m_list[static_cast<std::size_t>(row)]; }

    List& list_;
    Finder findable_;
};

}  // namespace velmora
