#pragma once

#include <QDialog>

namespace kvx {

class Program;

/// `TKvxMesInfo`: the program's name, version and what it is for.
class InfoDialog : public QDialog {
    Q_OBJECT
public:
    InfoDialog(const Program& program, QWidget* parent);
};

}  // namespace kvx
