#pragma once
// The properties of a program-control entry: its name and cell length (both
// editable only while the program is being created) and its music level and
// cell count (always), in a property list under the heading "主要".
// Values outside a row's limits are refused by the list; the dialog converts
// the texts it reads back.
//
// A name is refused, like any rejected input, when it is empty or holds a
// character a file name cannot hold on either system the installation may
// move between (\ / : * ? " < > |, control characters) or ends in a dot or a
// blank: the name becomes the file name "<name>.prog".
//
// Thread contract: UI thread.

#include <QDialog>
#include <QString>

#include "media/ProgFile.h"

namespace velmora {

class PropList;

class ProgramPropDialog final : public QDialog {
    Q_OBJECT

public:
    enum class Mode { Create, Edit };

    // Row positions in the list.
    static constexpr int kRowName = 1;
    static constexpr int kRowUnitMS = 2;
    static constexpr int kRowPower = 3;
    static constexpr int kRowNum = 4;

    // Opens with the name and the parameters to show (the creating dialog:
    // CProgramList::kDefaultName and ProgParams defaults).
    ProgramPropDialog(Mode mode, const QString& name, const ProgParams& params, QWidget* parent = nullptr);

    QString name() const;        // as entered (creating) or as given (editing)
    ProgParams params() const;   // unitMS, num, power as read back from the list
    PropList& list();            // for tests

    void accept() override;

private:
    Mode mode_;
    QString givenName_;
    ProgParams given_;
    PropList* list_;
};

// True when `name` can be the file name part of a .prog file (rule above).
bool IsProgramName(const QString& name);

}  // namespace velmora
