{ French pack: subject pronoun, verb, the "que" of the subjunctive }
PRO V QUE
