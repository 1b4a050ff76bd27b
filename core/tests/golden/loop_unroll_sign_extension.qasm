OPENQASM 3.0;
qubit[4] q;
x q[2];
h q[1];
x q[3];
h q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
