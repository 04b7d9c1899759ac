// Parameter slots of the material records by C alignment of the file layout.
#include "materials/material_slots.h"

#include <cstdlib>

#include "numcore/numcore.h"

int MaterialValueOfSlot(int code, int slot, int word) {
  if (word < 1 || word > 2 || slot < kFirstMaterialSlot) return 0;
  const long target = 8L * (slot - kFirstMaterialSlot) + 4L * (word - 1);
  const char* p = MaterialLayout(code);
  long offset = 0;
  int value = 0;
  while (*p != '\0') {
    while (*p == ' ') p++;
    char* end;
    const long n = std::strtol(p, &end, 10);
    if (end == p) return 0;  // a list, a string or a reader of its own: no slots past it
    int size;
    switch (*end) {
      case 'd': size = 8; break;
      case 'i': size = 4; break;
      case 'c': size = 1; break;
      default: return 0;
    }
    for (long j = 0; j < n; j++) {
      offset = (offset + size - 1) / size * size;  // natural alignment
      value++;
      if (offset == target) return size == 8 && word == 2 ? 0 : value;
      if (offset > target) return 0;
      offset += size;
    }
    p = end + 1;
  }
  return 0;
}

namespace {

int ValueOrRefuse(int code, int slot, int word, char type, const MaterialRecord& m) {
  const int k = MaterialValueOfSlot(code, slot, word);
  if (k == 0 || k > m.nValues || m.ValueType[k] != type) InternalError(__FILE__, __LINE__);
  return k;
}

}  // namespace

double MatSlotValue(const MaterialRecord& m, int code, int slot) {
  return MatValue(m, ValueOrRefuse(code, slot, 1, 'd', m));
}

int32_t MatSlotInt(const MaterialRecord& m, int code, int slot, int word) {
  return MatInt(m, ValueOrRefuse(code, slot, word, 'i', m));
}

void SetMatSlotValue(MaterialRecord& m, int code, int slot, double v) {
  m.Value[ValueOrRefuse(code, slot, 1, 'd', m)] = v;
}
