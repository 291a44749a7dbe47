#pragma once
// The query of a catalogue page: what the service is asked for (scope, kind, keyword) and which
// page of it. The networking library reads it through its getters.
#include <string>

#include "vokanetlink/VokaNetLink.h"

class CSearchInfo : public ISearchInfo {
 public:
  CSearchInfo() = default;
  CSearchInfo(std::wstring kind, std::wstring scope, std::wstring keyword)
      : scope_(std::move(scope)), kind_(std::move(kind)), keyword_(std::move(keyword)) {}
  CSearchInfo(const CSearchInfo&) = default;
  CSearchInfo& operator=(const CSearchInfo&) = default;
  virtual ~CSearchInfo() = default;

  int GetPage() const override { return page_; }
  int GetInt1() const override { return 0; }
  int GetInt2() const override { return 0; }
  int GetPageSize() const override { return pageSize_; }
  const wchar_t* GetScope() const override { return scope_.c_str(); }
  const wchar_t* GetKind() const override { return kind_.c_str(); }
  const wchar_t* GetKeyword() const override { return keyword_.c_str(); }
  int GetInt3() const override { return 0; }
  const wchar_t* GetText3() const override { return L""; }

  void setPage(int page) { page_ = page; }  // from 1
  void setPageSize(int size) { pageSize_ = size; }
  void setScope(const std::wstring& scope) { scope_ = scope; }
  void setKind(const std::wstring& kind) { kind_ = kind; }
  void setKeyword(const std::wstring& keyword) { keyword_ = keyword; }

  bool operator==(const CSearchInfo& o) const {
    return page_ == o.page_ && pageSize_ == o.pageSize_ && scope_ == o.scope_ && kind_ == o.kind_ &&
           keyword_ == o.keyword_;
  }

 private:
  int page_ = 1;
  int pageSize_ = 12;
  std::wstring scope_;
  std::wstring kind_;
  std::wstring keyword_;
};
