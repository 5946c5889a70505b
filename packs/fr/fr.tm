{ pronoun, verb, the "que" of the subjunctive, determiner, noun }
PRO V QUE DET N
