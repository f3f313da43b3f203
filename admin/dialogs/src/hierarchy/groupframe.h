#pragma once
// One group as a box of the hierarchy diagram: the group's properties, where
// it came from (its row in the groups dataset and its id), what the editor did
// to it (new, moved, edited, removed), its relations, and its place on the
// canvas. A box knows how big its texts make it and how to paint itself; the
// rules of what may be done to it live in the hierarchy model.

#include <QPoint>
#include <QRect>

#include <string>
#include <vector>

class QFontMetrics;
class QPainter;

namespace Security {

class TGroupRelation;

// The five password options of a group, in the system's order.
struct TGroupOptions {
    bool AllowChangePswd = true;
    bool AllowNullPasswd = false;
    bool NoChPswdAtLogin = false;
    bool AccountEnabled = true;
    bool PasswdControl = false;
    bool operator==(const TGroupOptions&) const = default;
};

// What the change-group dialog shows and edits.
struct TGroupProperties {
    std::string Name;
    std::string FullName;
    std::string Description;
    TGroupOptions Options;
    bool operator==(const TGroupProperties&) const = default;
};

// Groups.Position keeps a box's top-left corner as (top << 16) | left, both
// 16-bit canvas coordinates.
int EncodePosition(QPoint topLeft);
QPoint DecodePosition(int position);
// The largest coordinate a stored position can hold.
inline constexpr int kMaxPositionCoordinate = 0xFFFF;

class TGroupFrame {
public:
    // Geometry of the box, in pixels.
    static constexpr int kCornerRadius = 16;
    static constexpr int kMinWidth = 100;
    static constexpr int kTextPadding = 10; // added to the wider text
    static constexpr int kTextGap = 4; // between the border or the line and a text

    TGroupFrame(int row, int groupID, TGroupProperties properties, bool modificable, bool enabled,
        bool isNew);

    // Row in the groups dataset; new boxes are numbered from the group count
    // on, in the order they were made.
    int Row() const noexcept { return row_; }
    // The group's id; -1 for a box drawn in the editor until its group exists.
    int GroupID() const noexcept { return groupID_; }
    void SetGroupID(int groupID) noexcept { groupID_ = groupID; }

    const TGroupProperties& Properties() const noexcept { return properties_; }
    const std::string& Name() const noexcept { return properties_.Name; }
    const std::string& FullName() const noexcept { return properties_.FullName; }
    const std::string& Description() const noexcept { return properties_.Description; }

    // The administrator may modify the group (its texts are green).
    bool Modificable() const noexcept { return modificable_; }
    // The box may be edited: the group is modifiable or the administrator is
    // unrestricted. This is what the editing rules call "modifiable".
    bool Enabled() const noexcept { return enabled_; }

    bool IsNew() const noexcept { return isNew_; }
    bool Moved() const noexcept { return moved_; }
    bool Edited() const noexcept { return edited_; }
    bool Hidden() const noexcept { return hidden_; }
    // A row of the hierarchy table without a group (deleted, the deletion
    // not yet applied): never shown, never written.
    bool Absent() const noexcept { return absent_; }

    QRect Bounds() const noexcept { return bounds_; }
    QPoint Centre() const noexcept { return bounds_.center(); }
    // The position to store for the box's current place.
    int Position() const { return EncodePosition(bounds_.topLeft()); }
    // The position the box was opened with (0 when it had none).
    int StoredPosition() const noexcept { return storedPosition_; }

    // Every relation that starts or ends here, also those whose other end is
    // hidden; in the order they were made or attached.
    const std::vector<TGroupRelation*>& Outgoing() const noexcept { return outgoing_; }
    const std::vector<TGroupRelation*>& Incoming() const noexcept { return incoming_; }

    // The size the two texts need with `metrics`.
    static QSize MeasureSize(
        const QFontMetrics& metrics, const std::string& name, const std::string& fullName);
    // Paints the box at its bounds; `current` draws the thick border.
    void Paint(QPainter& painter, bool current) const;

private:
    friend class THierarchyModel;

    int row_;
    int groupID_;
    TGroupProperties properties_;
    bool modificable_;
    bool enabled_;
    bool isNew_;
    bool moved_ = false;
    bool edited_ = false;
    bool hidden_ = false;
    bool absent_ = false;
    int storedPosition_ = 0;
    QRect bounds_;
    std::vector<TGroupRelation*> outgoing_;
    std::vector<TGroupRelation*> incoming_;
};

} // namespace Security
