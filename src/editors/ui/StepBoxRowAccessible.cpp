#include "editors/ui/StepBoxRowAccessible.h"

#include "editors/MotorProgramEditor.h"
#include "editors/ui/StepBoxRow.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

const QString kEditAction = QStringLiteral("编辑");

class StepBoxRowAccessible final : public PartsAccessible {
public:
    explicit StepBoxRowAccessible(StepBoxRow* row)
        : PartsAccessible(row, QAccessible::List, QStringLiteral("电机程序")), row_(row) {}

    int PartCount() const override { return static_cast<int>(Steps().size()); }
    QAccessible::Role PartRole(int) const override { return QAccessible::ListItem; }
    QString PartText(int index, QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QString::fromStdString(MotorStepName(Step(index)));
        if (t == QAccessible::Description)
            return QStringLiteral("第%1步").arg(index + 1) +
                   (Editable() ? QString() : QStringLiteral("（编译结果）"));
        return {};
    }
    QRect PartRect(int index) const override { return row_->BoxRect(index); }
    QAccessible::State PartState(int index) const override {
        QAccessible::State s;
        s.selectable = Editable();
        s.selected = Step(index).m_bSelected != 0;
        s.readOnly = !Editable();
        return s;
    }
    bool PartPressable(int) const override { return Editable(); }
    void PressPart(int index) override {
        if (Editable()) emit row_->clicked(index);
    }
    QStringList PartActions(int) const override { return Editable() ? QStringList{kEditAction} : QStringList{}; }
    void DoPartAction(int index, const QString& name) override {
        if (name == kEditAction && Editable()) emit row_->doubleClicked(index);
    }

private:
    bool Editable() const { return !row_->editor().showCompiled(); }
    const std::vector<MotorBlock_struct>& Steps() const { return row_->editor().shown(); }
    const MotorBlock_struct& Step(int index) const { return Steps()[static_cast<std::size_t>(index)]; }

    StepBoxRow* row_;
};

}  // namespace

void InstallStepBoxRowAccessible() { InstallAccessibleFactory<StepBoxRow, StepBoxRowAccessible>(); }

}  // namespace velmora
