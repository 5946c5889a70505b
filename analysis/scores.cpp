// The error scores of response analysis and their display.
#include "analysis/analysis.h"
#include "engine/engine.h"

int vnomatchscore, vorderscore, vsynscore, vmorphscore, vphonoscore, vapproxscore;
int vexactscore;

void initscores()
{
    vnomatchscore = vorderscore = vsynscore = vmorphscore = vphonoscore = vapproxscore = 0;
    vexactscore = 0;
}

void perrorscore()
{
    v_linef(MSGCORE, "Error scores: missing/extra %d; order %d; lex %d; morph %d; phon %d; spell %d",
            vnomatchscore, vorderscore, vsynscore, vmorphscore, vphonoscore, vapproxscore);
}
