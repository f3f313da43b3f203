#pragma once
// A text box bound to one text field of a data source: it shows the field of
// the current record and, unless it is read-only, writes what was typed back
// when it loses the focus (the record is edited and posted). A write the
// dataset refuses is shown in an error box and the record is left unchanged.

#include <wardlock/data/dataset.h>

#include <QObject>

#include <string>

class QPlainTextEdit;

namespace Security {

class TFieldMemo : public QObject, public vcl::TDataLink {
    Q_OBJECT

public:
    TFieldMemo(QPlainTextEdit* edit, vcl::TDataSource* source, std::string fieldName);
    ~TFieldMemo() override;

    void DataEvent(vcl::TDataEvent event, vcl::TField* field) override;
    // Shows the field of the current record again.
    void Reload();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    vcl::TField* Field() const;
    void WriteBack();

    QPlainTextEdit* edit_;
    std::string fieldName_;
    bool loading_ = false;
};

} // namespace Security
