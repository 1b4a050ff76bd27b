OPENQASM 3.0;
qubit[3] q;
h q[0];
x q[1];
y q[2];
z q[0];
s q[1];
inv @ s q[2];
t q[0];
inv @ t q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
