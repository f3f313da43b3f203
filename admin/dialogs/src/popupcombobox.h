#pragma once
// A combo box that says when its list is about to open, so that opening the
// list of a "same as in group" combo can choose that option.

#include <QComboBox>

namespace Security {

class TPopupComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        emit popupOpening();
        QComboBox::showPopup();
    }

signals:
    void popupOpening();
};

} // namespace Security
