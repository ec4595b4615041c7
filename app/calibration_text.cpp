// Texts about the camera, in the program's language.
#include "app/calibration_text.h"

#include <cmath>
#include <cstdio>

#include "geometry/broadcast_camera.h"
#include "geometry/distance_band.h"

void measurement_text(const CalibrationState& s, double metres, bool parallel, int ua, int va, int ub, int vb,
                      char* out, size_t size) {
  if (size == 0) return;
  DistanceBand band;
  const bool banded = distance_band(s, DEFAULT_CLICK_NOISE_PX, MeasurePair{ua, va, ub, vb}, &band) != 0;
  const double lo = parallel ? band.parallelLo : band.distanceLo;
  const double hi = parallel ? band.parallelHi : band.distanceHi;
  if (!banded) {
    std::snprintf(out, size, "%5.1lf metros", metres);
  } else if (std::isfinite(hi)) {
    std::snprintf(out, size, "%5.1lf metros\nIntervalo de 95%%: %.1lf a %.1lf metros", metres, lo, hi);
  } else {
    // a click this close to the horizon can be anywhere beyond the lower bound
    std::snprintf(out, size, "%5.1lf metros\nIntervalo de 95%%: %.1lf metros ou mais", metres, lo);
  }
}

void not_calibrated_text(const CalibrationState& s, char* out, size_t size) {
  if (size == 0) return;
  const int n = s.refCount < 0 ? 0 : s.refCount < MAX_REFERENCE_POINTS ? s.refCount : MAX_REFERENCE_POINTS;
  const LandmarkCounts k = count_landmarks(n, s.refWorldX, s.refWorldY, s.refWorldZ);
  const char* why = "";
  if (k.groundOnOneLine) {
    why = " Os pontos do gramado estão todos numa mesma linha.";
  } else if (k.groundGeneral) {
    switch (s.calibrationReport.broadcastStatus) {
      case CALIB_HIGH_RMS:
        why = " A câmera não passa pelos pontos marcados: algum ponto está ligado ao marco errado?";
        break;
      case CALIB_EYE_BELOW_GROUND:
        why = " A câmera ficaria abaixo do gramado: a imagem está espelhada?";
        break;
      case CALIB_NO_CONVERGENCE:
      case CALIB_NOT_FINITE:
        why = " O ajuste da câmera não convergiu.";
        break;
      default:
        break;
    }
  }
  std::snprintf(out, size,
                "Câmera não calibrada: marque ao menos 4 pontos do gramado, não todos numa mesma linha, "
                "ou 6 pontos com 2 fora do chão (as pontas do travessão). Marcados: %d no gramado e %d fora "
                "do chão.%s",
                k.ground, k.offGround, why);
}
