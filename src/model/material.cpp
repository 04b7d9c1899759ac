// Material and spring-material blocks: file layouts, reading, release and the value
// accessors.
#include "model/material.h"

#include <cstdlib>
#include <cstring>

#include "model/material_formats.h"
#include "model/records.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

static_assert([] {
  for (int k = 1; k <= kMaterialKinds; k++)
    if (kMaterialFormats[k - 1].code != k) return false;
  for (int k = 1; k <= kSpringMaterialKinds; k++)
    if (kSpringMaterialFormats[k - 1].code != k) return false;
  return true;
}(), "format rows by code");

// The keywords by code, entry 0 "_NONE", from the format rows.
template <int N>
struct KeywordList {
  const char* v[N + 1];
};
template <int N>
constexpr KeywordList<N> KeywordsOf(const MaterialFormat (&rows)[N]) {
  KeywordList<N> k{};
  k.v[0] = "_NONE";
  for (int i = 0; i < N; i++) k.v[i + 1] = rows[i].keyword;
  return k;
}
constexpr KeywordList<kMaterialKinds> kKeywords = KeywordsOf(kMaterialFormats);
constexpr KeywordList<kSpringMaterialKinds> kSpringKeywords = KeywordsOf(kSpringMaterialFormats);

}  // namespace

const char* const (&kMaterialKindKeywords)[kMaterialKinds + 1] = kKeywords.v;
const char* const (&kSpringMaterialKindKeywords)[kSpringMaterialKinds + 1] = kSpringKeywords.v;

const MaterialFormat& MaterialFormatOf(int kind) {
  if (kind < 1 || kind > kMaterialKinds) InternalError(__FILE__, __LINE__);
  return kMaterialFormats[kind - 1];
}

const MaterialFormat& SpringMaterialFormatOf(int kind) {
  if (kind < 1 || kind > kSpringMaterialKinds) InternalError(__FILE__, __LINE__);
  return kSpringMaterialFormats[kind - 1];
}

const char* MaterialLayout(int kind) {
  const char* layout = MaterialFormatOf(kind).layout;
  if (layout == nullptr) InternalError(__FILE__, __LINE__);
  return layout;
}

namespace {

// One item of a layout: kind 'n' count scalars of type t, 'L' "Ld", 'T' "T2", 'P' or 'S'.
struct LayoutItem {
  char kind;
  int count;
  char type;
};

// Reads the item at *p and moves *p past it; false at the end of the layout.
bool NextLayoutItem(const char** p, LayoutItem* item) {
  const char* q = *p;
  while (*q == ' ') q++;
  if (*q == '\0') return false;
  item->count = 0;
  item->type = 0;
  if (*q >= '0' && *q <= '9') {
    item->kind = 'n';
    while (*q >= '0' && *q <= '9') item->count = item->count * 10 + (*q++ - '0');
    item->type = *q++;
  } else if (q[0] == 'L' && q[1] == 'd') {
    item->kind = 'L';
    q += 2;
  } else if (q[0] == 'T' && q[1] == '2') {
    item->kind = 'T';
    q += 2;
  } else if (*q == 'P' || *q == 'S') {
    item->kind = *q++;
  } else {
    InternalError(__FILE__, __LINE__);
  }
  *p = q;
  return true;
}

// Least number of file bytes of one record (name, fixed scalars) of a layout.
int64_t LayoutMinBytes(const char* layout) {
  if (std::strcmp(layout, "NLMM174") == 0) return 5 + 4 + 4 + 4 + 8 + 8;
  if (std::strcmp(layout, "FRC") == 0) return 5 + 16 + 4 + 16 + 4 + 32;
  int64_t bytes = 5;
  LayoutItem it;
  for (const char* p = layout; NextLayoutItem(&p, &it);) {
    if (it.kind == 'n')
      bytes += static_cast<int64_t>(it.count) * (it.type == 'd' ? 8 : it.type == 'i' ? 4 : 1);
    else if (it.kind == 'S')
      bytes += 5;
    // lists: no fixed bytes
  }
  return bytes;
}

void PutValue(MaterialRecord& m, char type, double value) {
  if (m.nValues >= kMaxMatValues) InternalError(__FILE__, __LINE__);
  m.nValues++;
  m.Value[m.nValues] = value;
  m.ValueType[m.nValues] = type;
}

void ReadScalar(FILE* fp, MaterialRecord& m, char type) {
  switch (type) {
    case 'd': PutValue(m, 'd', ReadDouble(fp)); break;
    case 'i': PutValue(m, 'i', ReadInt32(fp)); break;
    case 'c': PutValue(m, 'c', static_cast<signed char>(ReadByte(fp))); break;
    default: InternalError(__FILE__, __LINE__);
  }
}

// The list count m: the int32 value just read, refused when negative or too long for
// the rest of the file.
int ListCount(FILE* fp, const char* tag, int record, const MaterialRecord& m, int64_t bytesPerItem) {
  if (m.nValues < 1 || m.ValueType[m.nValues] != 'i') InternalError(__FILE__, __LINE__);
  double v = m.Value[m.nValues];
  if (v < 0 || v > static_cast<double>(BytesLeft(fp) / bytesPerItem))
    DataFault(nullptr, tag, record, "Invalid list length: %.0f.", v);
  return static_cast<int>(v);
}

void ReadLayoutRecord(FILE* fp, const char* tag, int record, const char* layout, MaterialRecord& m) {
  LayoutItem it;
  for (const char* p = layout; NextLayoutItem(&p, &it);) {
    switch (it.kind) {
      case 'n':
        for (int k = 0; k < it.count; k++) ReadScalar(fp, m, it.type);
        break;
      case 'L': {
        int len = ListCount(fp, tag, record, m, 8);
        m.ListLen = len;
        allocd1(&m.List1, len);
        ReadDoubles(fp, m.List1, len);
        break;
      }
      case 'T': {
        int len = ListCount(fp, tag, record, m, 16);
        m.ListLen = len;
        allocd2(&m.Table, len, 2);
        for (int r = 1; r <= len; r++) {
          m.Table[r][1] = ReadDouble(fp);
          m.Table[r][2] = ReadDouble(fp);
        }
        break;
      }
      case 'P': {
        int len = ListCount(fp, tag, record, m, 16);
        m.ListLen = len;
        allocd1(&m.List1, len);
        allocd1(&m.List2, len);
        for (int r = 1; r <= len; r++) {
          m.List1[r] = ReadDouble(fp);
          m.List2[r] = ReadDouble(fp);
        }
        break;
      }
      case 'S':
        ReadString(m.Name2, kBinStringMax, fp);
        break;
      default:
        InternalError(__FILE__, __LINE__);
    }
  }
}

// "<NLMM174>": m curves of at most p points each, then a q-vector, two doubles and a
// 4q-vector.
void ReadNlmm174(FILE* fp, const char* tag, int record, MaterialRecord& m) {
  ReadScalar(fp, m, 'i');
  ReadScalar(fp, m, 'i');
  double mv = m.Value[1], pv = m.Value[2];
  // Each curve takes at least 25 bytes of the file.
  if (mv < 0 || mv > static_cast<double>(BytesLeft(fp) / 25))
    DataFault(nullptr, tag, record, "Invalid number of curves: %.0f.", mv);
  if (pv < 0) DataFault(nullptr, tag, record, "Invalid number of curve points: %.0f.", pv);
  int nc = static_cast<int>(mv), np = static_cast<int>(pv);
  allocc2(&m.CurveName, nc, kBinStringMax);
  allocd1(&m.CurveA, nc);
  allocd1(&m.CurveB, nc);
  alloci1(&m.CurveLen, nc);
  AllocRecords(&m.CurvePoint, nc);  // cleared: no curve owns a matrix yet
  for (int i = 1; i <= nc; i++) {
    ReadString(m.CurveName[i], kBinStringMax, fp);
    m.CurveA[i] = ReadDouble(fp);
    m.CurveB[i] = ReadDouble(fp);
    int32_t k = ReadInt32(fp);
    if (k < 0 || k > np)
      DataFault(nullptr, tag, record,
                "Curve %d has %d points; the record allows 0 to %d points per curve.", i, k, np);
    CheckCount(fp, k, 16);
    m.CurveLen[i] = k;
    allocd2(&m.CurvePoint[i], k, 2);
    if (k > 0) ReadDoubles(fp, m.CurvePoint[i][1], 2 * k);
  }
  ReadScalar(fp, m, 'i');
  double qv = m.Value[3];
  if (qv < 0 || qv > static_cast<double>(BytesLeft(fp) / 40))
    DataFault(nullptr, tag, record, "Invalid list length: %.0f.", qv);
  // The unit strains of a creep point have room for ten Kelvin units.
  if (qv > 10) DataFault(nullptr, tag, record, "Invalid number of Kelvin units: %.0f (valid: 0 to 10).", qv);
  int q = static_cast<int>(qv);
  allocd1(&m.QVector, q);
  ReadDoubles(fp, m.QVector, q);
  ReadScalar(fp, m, 'd');
  ReadScalar(fp, m, 'd');
  allocd1(&m.Q4Vector, 4 * q);
  ReadDoubles(fp, m.Q4Vector, 4 * q);
}

// "<FRC_MIXFRACTURE_2D>": 2d; code1 (1..3) and its pair; code2 (1..5) and its law.
void ReadFrcMixFracture(FILE* fp, const char* tag, int record, MaterialRecord& m) {
  ReadScalar(fp, m, 'd');
  ReadScalar(fp, m, 'd');
  ReadScalar(fp, m, 'i');
  int code1 = static_cast<int>(m.Value[3]);
  if (code1 < 1 || code1 > 3)
    DataFault(nullptr, tag, record, "Invalid code of the fracture parameters: %d.", code1);
  for (int k = 1; k <= 2; k++) {
    ReadScalar(fp, m, 'd');
    m.FrcPair[code1][k] = m.Value[m.nValues];
  }
  ReadScalar(fp, m, 'i');
  int code2 = static_cast<int>(m.Value[m.nValues]);
  int nlaw = FrcLawParameterCount(code2);
  if (nlaw == 0) DataFault(nullptr, tag, record, "Invalid code of the softening law: %d.", code2);
  for (int k = 1; k <= nlaw; k++) {
    ReadScalar(fp, m, 'd');
    m.FrcLaw[code2][k] = m.Value[m.nValues];
  }
  allocd1(&m.FrcWork2, 2);
  zerod1(m.FrcWork2, 2);
  allocd1(&m.FrcWork100a, 100);
  zerod1(m.FrcWork100a, 100);
  allocd1(&m.FrcWork100b, 100);
  zerod1(m.FrcWork100b, 100);
}

void ReadBlockRecords(FILE* fp, const char* tag, const char* layout, int32_t* n, MaterialRecord** recs) {
  *n = ReadCount(fp, LayoutMinBytes(layout));
  AllocRecords(recs, *n);
  for (int r = 1; r <= *n; r++) {
    MaterialRecord& m = (*recs)[r];
    ReadString(m.Name, kBinStringMax, fp);
    if (std::strcmp(layout, "NLMM174") == 0)
      ReadNlmm174(fp, tag, r, m);
    else if (std::strcmp(layout, "FRC") == 0)
      ReadFrcMixFracture(fp, tag, r, m);
    else
      ReadLayoutRecord(fp, tag, r, layout, m);
  }
}

}  // namespace

void ReleaseRecord(MaterialRecord& m) {
  if (m.List1 != nullptr) freed1(m.List1);
  if (m.List2 != nullptr) freed1(m.List2);
  if (m.Table != nullptr) freed2(m.Table);
  if (m.CurveName != nullptr) {
    for (int i = static_cast<int>(m.Value[1]); i >= 1; i--)
      if (m.CurvePoint[i] != nullptr) freed2(m.CurvePoint[i]);
    std::free(m.CurvePoint);
    freei1(m.CurveLen);
    freed1(m.CurveB);
    freed1(m.CurveA);
    freec2(m.CurveName);
  }
  if (m.QVector != nullptr) freed1(m.QVector);
  if (m.Q4Vector != nullptr) freed1(m.Q4Vector);
  if (m.FrcWork2 != nullptr) freed1(m.FrcWork2);
  if (m.FrcWork100a != nullptr) freed1(m.FrcWork100a);
  if (m.FrcWork100b != nullptr) freed1(m.FrcWork100b);
}

void ReadMaterialBlock(FILE* fp, int kind, const char* tag, int32_t* n, MaterialRecord** recs) {
  ReadBlockRecords(fp, tag, MaterialLayout(kind), n, recs);
}

void ReadSpringMaterialBlock(FILE* fp, int kind, const char* tag, int32_t* n, MaterialRecord** recs) {
  ReadBlockRecords(fp, tag, SpringMaterialFormatOf(kind).layout, n, recs);
}

void FreeMaterialBlock(MaterialRecord* recs, int n) { FreeRecords(recs, n); }

double MatValue(const MaterialRecord& m, int k) {
  if (k < 1 || k > m.nValues) InternalError(__FILE__, __LINE__);
  return m.Value[k];
}

int32_t MatInt(const MaterialRecord& m, int k) {
  if (k < 1 || k > m.nValues || m.ValueType[k] == 'd') InternalError(__FILE__, __LINE__);
  return static_cast<int32_t>(m.Value[k]);
}

double MatDensity(const MaterialRecord& m) {
  for (int k = 1; k <= m.nValues; k++)
    if (m.ValueType[k] == 'd') return m.Value[k];
  InternalError(__FILE__, __LINE__);
}

int FrcLawParameterCount(int code) {
  switch (code) {
    case 1: return 4;
    case 2: return 6;
    case 3: return 7;
    case 4: return 4;
    case 5: return 8;
    default: return 0;
  }
}
