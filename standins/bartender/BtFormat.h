#pragma once
// The stand-in's Format object: one open template, its substring values, printer and counts, and
// printing to the print log and label pictures. Every call fails once the format is closed.
#include <memory>

#include "standins/bartender/BtObject.h"

namespace standin {

class BtFormat : public BtObject {
public:
    BtFormat(std::shared_ptr<BarTenderState> state, std::shared_ptr<OpenFormat> format);

protected:
    void Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) override;

private:
    std::size_t Substring(const CallArgs& args) const;
    void PrintOut();

    std::shared_ptr<BarTenderState> state_;
    std::shared_ptr<OpenFormat> format_;
};

}  // namespace standin
