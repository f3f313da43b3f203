// Data sources and the data links of the views attached to them.

#include "wardlock/data/dataset.h"

#include <algorithm>

namespace vcl {

TDataLink::~TDataLink()
{
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == dataSource_)
        return;
    if (dataSource_) {
        auto& links = dataSource_->links_;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    dataSource_ = source;
    if (source)
        source->links_.push_back(this);
}

TDataSet* TDataLink::DataSet() const
{
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    TDataSet* ds = DataSet();
    return ds && ds->Active();
}

TDataSource::TDataSource(TComponent* owner)
    : TComponent(owner)
{
}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    for (TDataLink* link : links_)
        link->dataSource_ = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_) {
        auto& list = dataSet_->dataSources_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->dataSources_.push_back(this);
    Notify(deDataSetChange, nullptr);
    Notify(deUpdateState, nullptr);
}

TDataSetState TDataSource::State() const
{
    return dataSet_ ? dataSet_->State() : dsInactive;
}

void TDataSource::Notify(TDataEvent event, TField* field)
{
    if (!enabled_)
        return;
    switch (event) {
    case deUpdateState:
        if (OnStateChange)
            OnStateChange(this);
        break;
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(this, event == deFieldChange ? field : nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    default:
        break;
    }
    const auto links = links_; // a handler may detach a link
    for (TDataLink* link : links)
        link->DataEvent(event, field);
}

} // namespace vcl
