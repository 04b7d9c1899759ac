// Small in-memory models for the history-data tests: element properties, integration
// rules, _NLMM121 / _NLMM124 material records and layer patterns, without a data file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "history/history.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

constexpr const char* kInternal = "INTERNAL ERROR";

struct HistModel {
  MeshData m{};
  std::vector<ElementProperty> props{ElementProperty{}};
  std::vector<NumericalIntegration> rules{NumericalIntegration{}};
  std::vector<MaterialRecord> mats121{MaterialRecord{}}, mats124{MaterialRecord{}};
  std::vector<LayerProperty> layerProps{LayerProperty{}};
  std::vector<LayerPattern> layerPats{LayerPattern{}};
  std::vector<std::vector<int32_t>> layerLists;
  std::vector<int> elemProp{0};

  // Index (after Build).
  Index_HD index{};
  int* elemToHD = nullptr;
  int counts[kMaterialKinds + 1] = {};
  bool built = false;

  ~HistModel() {
    if (!built) return;
    FreeIndex_HD(&index);
    freei1(elemToHD);
  }

  int AddRule(int g1, int g2, int g3 = 0) {
    NumericalIntegration r{};
    r.v[3] = g1;
    r.v[4] = g2;
    r.v[5] = g3;
    rules.push_back(r);
    return static_cast<int>(rules.size()) - 1;
  }
  // Concrete record: unit weight, expansion, nu, E, fc, ...
  int AddConcrete(std::vector<MaterialRecord>& block, double fc) {
    MaterialRecord r{};
    r.nValues = 8;
    const double v[9] = {0, 2.4e-5, 1e-5, 0.2, 30000.0, fc, 0.0022, 0.3, 0.0};
    for (int k = 1; k <= 8; k++) {
      r.Value[k] = v[k];
      r.ValueType[k] = 'd';
    }
    block.push_back(r);
    return static_cast<int>(block.size()) - 1;
  }
  int AddProp(int type, int code, int material, int rule) {
    ElementProperty p{};
    p.FirstPhase = p.LastPhase = 1;
    p.ElementType = type;
    p.MaterialKind = code;
    p.MaterialNumber = material;
    p.IntegrationType = INTEG_GLEG;
    p.IntegrationNumber = rule;
    props.push_back(p);
    return static_cast<int>(props.size()) - 1;
  }
  int AddLayerPattern(const std::vector<std::pair<int, int>>& layers) {
    std::vector<int32_t> list{0};
    for (auto [code, mat] : layers) {
      LayerProperty lp{};
      lp.MaterialKind = code;
      lp.MaterialNumber = mat;
      layerProps.push_back(lp);
      list.push_back(static_cast<int32_t>(layerProps.size()) - 1);
    }
    layerLists.push_back(list);
    LayerPattern pat{};
    pat.nLayers = static_cast<int>(layers.size());
    layerPats.push_back(pat);
    return static_cast<int>(layerPats.size()) - 1;
  }
  void AddElement(int prop) { elemProp.push_back(prop); }

  // Wires the vectors into the model record.
  void Wire() {
    for (size_t k = 1; k < layerPats.size(); k++) layerPats[k].Layer = layerLists[k - 1].data();
    m.nElements = static_cast<int>(elemProp.size()) - 1;
    m.nElemProps = static_cast<int>(props.size()) - 1;
    m.ElemProps = props.data();
    m.nIntegrations = static_cast<int>(rules.size()) - 1;
    m.Integrations = rules.data();
    m.nMaterials[MAT_NLMM121] = static_cast<int>(mats121.size()) - 1;
    m.Materials[MAT_NLMM121] = mats121.data();
    m.nMaterials[MAT_NLMM124] = static_cast<int>(mats124.size()) - 1;
    m.Materials[MAT_NLMM124] = mats124.data();
    m.nLayerProps = static_cast<int>(layerProps.size()) - 1;
    m.LayerProps = layerProps.data();
    m.nLayerPatterns = static_cast<int>(layerPats.size()) - 1;
    m.LayerPatterns = layerPats.data();
    m.Main.PathBehavior = 1;
  }

  // The index as the set-up of a nonlinear run builds it.
  void Build() {
    Wire();
    CalcElementToIndex_HD(&index, &m, elemProp.data(), &elemToHD);
    CalcSizingDataIndex_HD(&index, &m, elemProp.data(), elemToHD);
    AllocIndex_HD(&index);
    CalcIndex_HD(&index, &m, elemProp.data(), elemToHD, counts);
    built = true;
  }
};

// The numbering model of the tests: e1 _NLMM121 plane-stress quad with a 3 x 2 rule,
// e2 _LIN_ISO, e3 _NLMM121 with the default rule, e4 _NLMM124 hexahedron.
inline void BuildNumberingModel(HistModel& h, double fc = 31.5) {
  const int c121 = h.AddConcrete(h.mats121, fc);
  const int c124 = h.AddConcrete(h.mats124, 40.0);
  const int r32 = h.AddRule(3, 2);
  h.AddElement(h.AddProp(10, MAT_NLMM121, c121, r32));
  h.AddElement(h.AddProp(10, MAT_LIN_ISO, 1, 0));
  h.AddElement(h.AddProp(10, MAT_NLMM121, c121, 0));
  h.AddElement(h.AddProp(24, MAT_NLMM124, c124, 0));
  h.Build();
}

