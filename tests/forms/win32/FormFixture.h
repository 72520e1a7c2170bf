// Makes one of the progress windows as the entry point does (the application's main form, in
// its unit's global) and takes it down after the test.
#pragma once

#include <gtest/gtest.h>

#include "forms/FormMultiFileShredder.h"
#include "forms/FormOneFileShredder.h"
#include "forms/FormOneFreeSpaceShredder.h"
#include "ui/Forms.h"

namespace varnolt::testing {

template <class Form>
Form*& GlobalOf();
template <>
inline TfrmOneFileShredder*& GlobalOf<TfrmOneFileShredder>() { return frmOneFileShredder; }
template <>
inline TfrmMultiFileShredder*& GlobalOf<TfrmMultiFileShredder>() { return frmMultiFileShredder; }
template <>
inline TfrmOneFreeSpaceShredder*& GlobalOf<TfrmOneFreeSpaceShredder>() { return frmOneFreeSpaceShredder; }

template <class Form>
class FormFixture : public ::testing::Test {
 protected:
  FormFixture() {
    ui::Application().CreateForm(GlobalOf<Form>());
    form = GlobalOf<Form>();
  }
  ~FormFixture() override {
    delete form;
    GlobalOf<Form>() = nullptr;
    ui::Application().ProcessMessages();
  }
  Form* form = nullptr;
};

}  // namespace varnolt::testing
