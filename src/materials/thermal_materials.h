// Thermal materials: heat capacity per unit volume, conductivity matrices and the heat
// of hydration of the three materials of thermal elements: the linear _THERMAL_ISO
// (rho, k, c), the hydrating concrete _NLMM401 (properties scaled by the degree of
// hydration AlphaT, Arrhenius heat release) and the temperature-dependent concrete
// _NLMM451 (constant or Eurocode 2 fire-part laws). Temperatures in degrees Celsius.
//
// The thermal element routines ask the per-point functions at the end; only they look
// at the material kind.
#pragma once

#include "materials/history_data.h"
#include "model/material.h"
#include "model/mesh.h"

// rho c of the element's _THERMAL_ISO material (property = element-property record).
double CalcHeatCapacity(int property, const MeshData* mesh);
// Reference rho c of a nonlinear thermal material: _NLMM401 p1 p4, _NLMM451 p2 p7.
double CalcHeatCapacity_NL(int property, const MeshData* mesh);

// _NLMM401: rho c (1.15 - 0.15 AlphaT) and k (1.1 - 0.1 AlphaT).
double CalcHeatCapacity_AlphaT_NLMM401(double rhoc, double alphaT);
// Does the run hold history records of the hydrating concrete (counts by material kind)?
bool HydratingConcreteInUse(const int* NLMM_HD_Count);
double CalcHeatCapacity_NLMM401(const MaterialRecord& m, double c0, double alphaT);
void CalcMat_Dc_NLMM401(const MaterialRecord& m, int n, double alphaT, double** D, double** D0);
// Heat generation rate at a point of temperature theta over the step dt; updates the
// record (AlphaT, Q, Qdot). predict: AlphaT extrapolated by the last rate for the check
// and the table lookup.
double CalcHeatGenerationRate_NLMM401(bool predict, const MaterialRecord& m, double dt, double theta,
                                      NLMM401_HD* rec);

// _NLMM451 laws after EN 1992-1-2 (2004).
double CalcDensity_EC2_2004_NLMM451(double rho20, double theta);
double CalcSpecificHeat_EC2_2004_NLMM451(double theta, double u);
double CalcConductivity_EC2_2004_NLMM451(double theta);
// rho c at theta; the record receives rho, c, theta (values 1..3).
double CalcHeatCapacity_NLMM451(const MaterialRecord& m, double theta, NLMM301_HD* rec);
// Heat stored per unit volume from `from` to `to`: the integral of rho c (exact for the
// piecewise laws), negative when cooling.
double CalcEnthalpyChange_NLMM451(const MaterialRecord& m, double from, double to);
// The secant of that enthalpy over a step from `from` to `to`, rho c at `to` when the two
// meet: stored heat = secant x temperature change, whatever the capacity peaks between.
// The record receives rho, c, theta at `to`.
double CalcSecantHeatCapacity_NLMM451(const MaterialRecord& m, double from, double to, NLMM301_HD* rec);
// D = k I (n x n); the record receives theta and k (values 3 and 4).
void CalcMat_Dc_NLMM451(const MaterialRecord& m, int n, double theta, NLMM301_HD* rec, double** D, double** D0);

// D = k I of the element's _THERMAL_ISO material (n = 2 plane, 3 solid); another
// material stops the run with the element's message.
void CalcMat_Dc_PlaneStress(int property, int n, double** D, const MeshData* mesh);
void CalcMat_Dc_Solid(int property, int n, double** D, const MeshData* mesh);
// Reference conductivity k I3 of a nonlinear thermal material.
void CalcMat_Dc_Solid_NL(int property, int n, double** D, const MeshData* mesh);

// Columns of a 1-based n x 3 (n x 2) matrix into vectors.
void SplitMatColumns3(int n, double* a, double* b, double* c, double** M);
void SplitMatColumns2(int n, double* a, double* b, double** M);

// ---- per integration point of a nonlinear thermal element ---------------------------
// The point's record is record `record` of the element's model in the current history
// arrays hd. _THERMAL_ISO and every other kind end in the internal error.
double ThermalPointHeatCapacity(int property, const MeshData* mesh, NLMM_HD* hd, int record, double c0, double T);
// The heat capacity of the point over a step from Tn to T: the secant of the enthalpy of a
// temperature-dependent capacity (_NLMM451), the capacity itself for the others.
double ThermalPointStepHeatCapacity(int property, const MeshData* mesh, NLMM_HD* hd, int record, double c0,
                                    double Tn, double T);
void ThermalPointConductivity(int property, const MeshData* mesh, NLMM_HD* hd, int record, int n, double T,
                              double** D, double** D0);
// Heat of hydration: _NLMM401 its rate (record updated), _NLMM451 none (0).
double ThermalPointHeatGeneration(int property, const MeshData* mesh, NLMM_HD* hd, int record, double dt, double T);
